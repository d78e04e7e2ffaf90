// One resolver for every media path: "DATA\textures.zip", "Data/font.bmp" and
// "data/muhsik.mp3" all find the one data directory, each component matched without regard to case.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Where media were looked for and which place was taken.
struct DataDirectorySearch {
    std::vector<std::string> places;      // in the order they were tried
    std::string directory;                // the place taken, as found on disk; empty when none exists
    std::vector<std::string> passedOver;  // directories before it that hold none of the media files
};

// The installed data directory fixed when the program was configured.
const char* installedDataDirectory();
// The places media are looked for, in order, without repeats: data/ below `workingDir`,
// data/ beside the executable in `executableDir`, the installed data directory of the tree
// the executable sits in (an install moved to another prefix), the configured one.
// An empty `executableDir` (unknown) leaves out the two that hang on it.
std::vector<std::string> dataDirectoryPlaces(const std::string& workingDir, const std::string& executableDir);
// The first place that exists as a directory holding at least one of the media files, its
// last component matched without regard to case; empty when none does. A directory that holds
// none (someone's own data/ of photos) is added to `passedOver`, when given.
std::string firstDataDirectory(const std::vector<std::string>& places, std::vector<std::string>* passedOver = nullptr);

// The places seen from the real working directory and executable, and the one to take.
DataDirectorySearch searchDataDirectory();
// Sends every media path through `search.directory` from now on (nowhere when it is empty).
// A search without places, the state at program start, looks media paths up below the
// working directory at each open instead.
void useDataDirectory(const DataDirectorySearch& search);
// useDataDirectory(searchDataDirectory()): what the program does once at start.
const DataDirectorySearch& chooseDataDirectory();
// The search in use; no places and no directory before the first choice.
const DataDirectorySearch& chosenDataDirectory();
// "A, B, C": the places a search looked at.
std::string placesLookedAt(const DataDirectorySearch& search);
// One line per directory passed over: "DIR holds none of the demo's media files; passed over".
std::vector<std::string> passedOverLines(const DataDirectorySearch& search);
// The media files of the manifest that the search's directory lacks (all when it found none).
std::vector<std::string> missingMediaFiles(const DataDirectorySearch& search);
// One line on what is missing: "no media found (looked in A, B, C)", or "DIR lacks F, G";
// empty when every media file is there, or for a search that looked nowhere.
std::string missingMediaText(const DataDirectorySearch& search);

// The path of an existing file or directory that `path` names, with `\` taken as a separator
// and each component matched case-insensitively (an exact match wins). A relative path whose
// first component spells "data" is looked up in the chosen data directory; anything else
// relative to the working directory. Empty when nothing matches.
std::string resolveDataPath(const char* path);

// fopen through the resolver; null when the file does not exist.
std::FILE* openDataFile(const char* path, const char* mode);
