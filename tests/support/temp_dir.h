// A fresh temporary directory per test, removed afterwards, and small file helpers.
// Tests that need data files build them here and chdir into it.
#pragma once

#include <string>
#include <vector>

struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
    std::string file(const std::string& relative) const { return path + "/" + relative; }
};

// Runs the rest of the scope with the working directory set to `dir`.
struct ScopedChdir {
    explicit ScopedChdir(const std::string& dir);
    ~ScopedChdir();
    ScopedChdir(const ScopedChdir&) = delete;
    ScopedChdir& operator=(const ScopedChdir&) = delete;
    std::string previous;
};

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> readFile(const std::string& path);
