// The data-path resolver: every media file the demo opens is found through here, so the
// spellings "DATA\", "Data/" and "data/" all reach the one shipped directory.
#include "assets/data_path.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {
bool isSeparator(char c) { return c == '/' || c == '\\'; }

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsFolded(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}

std::vector<std::string> splitComponents(const char* path) {
    std::vector<std::string> parts;
    std::string current;
    for (const char* p = path; *p; ++p) {
        if (!isSeparator(*p)) {
            current += *p;
        } else if (!current.empty()) {
            parts.push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

// The entry of `dir` that is spelt `component`: the exact spelling when it exists, else
// the case-insensitive match that sorts first, so the choice never depends on the
// order the file system lists its entries in. Empty when none.
std::string matchComponent(const std::string& dir, const std::string& component) {
    const std::string base = dir.empty() ? std::string(".") : dir;
    std::error_code error;
    if (component == "." || component == ".." || fs::exists(fs::path(base) / component, error))
        return component;
    std::string best;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (equalsFolded(name, component) && (best.empty() || name < best)) best = name;
    }
    return best;
}
}  // namespace

std::string resolveDataPath(const char* path) {
    if (!path || !*path) return "";
    std::string resolved = isSeparator(path[0]) ? "/" : "";
    const std::vector<std::string> parts = splitComponents(path);
    if (parts.empty()) return resolved;
    for (const std::string& component : parts) {
        const std::string found = matchComponent(resolved, component);
        if (found.empty()) return "";
        if (!resolved.empty() && resolved.back() != '/') resolved += '/';
        resolved += found;
    }
    return resolved;
}

std::FILE* openDataFile(const char* path, const char* mode) {
    const std::string resolved = resolveDataPath(path);
    if (resolved.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return std::fopen(resolved.c_str(), mode);
}
