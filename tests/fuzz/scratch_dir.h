// Shared pieces of the fuzz targets: a private scratch directory with a data/ folder that
// is the working directory only while one input runs, so libFuzzer's own paths stay valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// For its lifetime: the scratch directory (made once per process) is the working directory,
// and message boxes are answered silently.
struct ScratchDirectory {
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    int previous;  // descriptor of the directory to return to
};

// Writes the input to data/<name> in the scratch directory (which must be current).
void writeFuzzFile(const std::string& name, const uint8_t* data, size_t size);
