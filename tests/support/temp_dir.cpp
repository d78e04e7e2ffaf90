// Temporary directories and file helpers for tests that build their own fixtures.
// Everything a test writes lives under one mkdtemp directory, removed recursively.
#include "support/temp_dir.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

TempDir::TempDir() {
    char pattern[] = "/tmp/quorvex-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made ? made : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (path != "/tmp") std::filesystem::remove_all(path, ignored);
}

ScopedChdir::ScopedChdir(const std::string& dir) {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer)) previous = buffer;
    if (chdir(dir.c_str()) != 0) std::abort();
}

ScopedChdir::~ScopedChdir() {
    if (!previous.empty() && chdir(previous.c_str()) != 0) std::abort();
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
