// The data-path resolver: one data directory is chosen at start-up (working directory, beside
// the program, installed) and every media file the demo opens is found through it.
#include "assets/data_path.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "assets/ascii_case.h"
#include "assets/media_manifest.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {
const char dataComponent[] = "data";

struct {
    DataDirectorySearch search;  // no places: look below the working directory at every open
} state;

bool isSeparator(char c) { return c == '/' || c == '\\'; }

bool equalsFolded(const std::string& a, const std::string& b) {
    return a.size() == b.size() && sameIgnoringAsciiCase(a.c_str(), b.c_str());
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

// The entry of `dir` that is spelt `component`: the exact spelling when the directory holds
// it, else the case-insensitive match that sorts first, so the choice never depends on the
// order the file system lists its entries in, nor on whether the file system itself ignores
// case (Windows). A name no listing shows but that exists (a drive, a directory that may be
// entered and not read) is taken as spelt. Empty when none.
std::string matchComponent(const std::string& dir, const std::string& component) {
    const fs::path base = fs::u8path(dir.empty() ? std::string(".") : dir);
    if (component == "." || component == "..") return component;
    std::error_code error;
    std::string best;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().u8string();
        if (name == component) return component;
        if (equalsFolded(name, component) && (best.empty() || name < best)) best = name;
    }
    if (best.empty() && fs::exists(base / fs::u8path(component), error)) return component;
    return best;
}

// Where an absolute path starts: "/" for "/..." (and "\\..."), a drive's root where the
// system has drives; "" for a relative path.
std::string rootOf(const char* path) {
    if (isSeparator(path[0])) return "/";
    return platformDriveRoot(path);
}

// `parts` matched one by one below `base` ("" for the working directory, "/" for the root).
std::string resolveBelow(std::string resolved, const std::vector<std::string>& parts, size_t first) {
    for (size_t i = first; i < parts.size(); ++i) {
        const std::string found = matchComponent(resolved, parts[i]);
        if (found.empty()) return "";
        if (!resolved.empty() && resolved.back() != '/') resolved += '/';
        resolved += found;
    }
    return resolved;
}

// With "/" between components on every system (Windows takes both), so that places and
// messages read the same everywhere.
std::string normalised(const fs::path& path) {
    std::string text = path.lexically_normal().generic_u8string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

std::vector<std::string> mediaFileNames() {
    std::vector<std::string> names = {textureArchiveName};
    for (const MediaPicture& picture : bmpPictures) names.push_back(mediaFileName(picture.name));
    names.push_back(mediaFileName(soundtrackPath));
    return names;
}

bool holdsAnyMediaFile(const std::string& directory) {
    for (const std::string& name : mediaFileNames())
        if (!resolveBelow(directory, {name}, 0).empty()) return true;
    return false;
}

std::string executableDirectory() {
    char buffer[4096];
    return platformExecutableDirectory(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}
}  // namespace

const char* installedDataDirectory() { return QUORVEX_INSTALLED_DATA_DIR; }

std::vector<std::string> dataDirectoryPlaces(const std::string& workingDir, const std::string& executableDir) {
    std::vector<std::string> candidates = {normalised(fs::u8path(workingDir) / dataComponent)};
    if (!executableDir.empty()) {
        candidates.push_back(normalised(fs::u8path(executableDir) / dataComponent));
        candidates.push_back(normalised(fs::u8path(executableDir) / QUORVEX_BIN_TO_DATA_DIR));
    }
    candidates.push_back(normalised(installedDataDirectory()));
    std::vector<std::string> places;
    for (const std::string& candidate : candidates) {
        bool seen = false;
        for (const std::string& place : places) seen = seen || place == candidate;
        if (!seen) places.push_back(candidate);
    }
    return places;
}

std::string firstDataDirectory(const std::vector<std::string>& places, std::vector<std::string>* passedOver) {
    for (const std::string& place : places) {
        const fs::path path = fs::u8path(place);
        const std::string parent = path.parent_path().u8string();
        const std::string name = matchComponent(parent, path.filename().u8string());
        if (name.empty()) continue;
        const std::string found = parent.empty() ? name : normalised(fs::u8path(parent) / fs::u8path(name));
        std::error_code error;
        if (!fs::is_directory(fs::u8path(found), error)) continue;
        if (holdsAnyMediaFile(found)) return found;
        if (passedOver) passedOver->push_back(found);
    }
    return "";
}

DataDirectorySearch searchDataDirectory() {
    std::error_code error;
    const fs::path working = fs::current_path(error);
    DataDirectorySearch search;
    search.places = dataDirectoryPlaces(error ? std::string(".") : working.u8string(), executableDirectory());
    search.directory = firstDataDirectory(search.places, &search.passedOver);
    return search;
}

void useDataDirectory(const DataDirectorySearch& search) { state.search = search; }

const DataDirectorySearch& chooseDataDirectory() {
    useDataDirectory(searchDataDirectory());
    return state.search;
}

const DataDirectorySearch& chosenDataDirectory() { return state.search; }

std::string placesLookedAt(const DataDirectorySearch& search) {
    std::string text;
    for (size_t i = 0; i < search.places.size(); ++i) text += (i ? ", " : "") + search.places[i];
    return text;
}

std::vector<std::string> passedOverLines(const DataDirectorySearch& search) {
    std::vector<std::string> lines;
    for (const std::string& directory : search.passedOver)
        lines.push_back(directory + " holds none of the demo's media files; passed over");
    return lines;
}

std::vector<std::string> missingMediaFiles(const DataDirectorySearch& search) {
    std::vector<std::string> missing;
    for (const std::string& name : mediaFileNames())
        if (search.directory.empty() || resolveBelow(search.directory, {name}, 0).empty()) missing.push_back(name);
    return missing;
}

std::string missingMediaText(const DataDirectorySearch& search) {
    if (search.places.empty()) return "";  // nothing was looked for
    if (search.directory.empty()) return "no media found (looked in " + placesLookedAt(search) + ")";
    const std::vector<std::string> missing = missingMediaFiles(search);
    if (missing.empty()) return "";
    std::string text = search.directory + " lacks ";
    for (size_t i = 0; i < missing.size(); ++i) text += (i ? ", " : "") + missing[i];
    return text;
}

std::string resolveDataPath(const char* path) {
    if (!path || !*path) return "";
    const std::string root = rootOf(path);
    const std::vector<std::string> parts = splitComponents(path);
    if (!state.search.places.empty() && root.empty() && !parts.empty() && equalsFolded(parts[0], dataComponent))
        return state.search.directory.empty() ? "" : resolveBelow(state.search.directory, parts, 1);
    // A drive's name is no component to match: the root it names is where matching starts.
    return resolveBelow(root, parts, root.size() > 1 ? 1 : 0);
}

std::FILE* openDataFile(const char* path, const char* mode) {
    const std::string resolved = resolveDataPath(path);
    if (resolved.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return std::fopen(resolved.c_str(), mode);
}
