// Temporary directories and file helpers for tests that build their own fixtures.
// Everything a test writes lives under one fresh directory of the system's temporary place,
// removed recursively.
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::mt19937 pick{std::random_device{}()};
    for (int attempt = 0; attempt < 100 && !error; ++attempt) {
        const fs::path candidate = base / ("quorvex-test-" + std::to_string(pick() % 100000000u));
        if (fs::create_directory(candidate, error)) {  // false when it exists already
            path = candidate.generic_u8string();  // "/" between components, as tests join them
            return;
        }
    }
    std::abort();  // no directory: every test of the process would write in the wrong place
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(fs::u8path(path), ignored);
}

ScopedChdir::ScopedChdir(const std::string& dir) {
    std::error_code error;
    previous = fs::current_path(error).u8string();
    fs::current_path(fs::u8path(dir), error);
    if (error) std::abort();
}

ScopedChdir::~ScopedChdir() {
    std::error_code error;
    if (!previous.empty()) fs::current_path(fs::u8path(previous), error);
    if (error) std::abort();
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    fs::create_directories(fs::u8path(path).parent_path());
    std::ofstream out(fs::u8path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
