// The recorder's first look at its output: the form a name asks for, the program a video form
// needs, and whether the output can be made without touching what the user already has.
#pragma once

#include <cstddef>
#include <string>

enum RecordFormat { RECORD_PNG_DIRECTORY = 0, RECORD_MKV = 1, RECORD_MP4 = 2 };

// A frame directory's soundtrack, beside its frame files (png_writers.h names those).
constexpr char recordSoundtrackName[] = "soundtrack.wav";

// The format an output name asks for: by its extension, any case; anything else is a directory.
RecordFormat recordFormatFor(const std::string& outPath);
// The full path of an executable program found on PATH, or "" when there is none.
std::string findProgram(const std::string& name);
// "" when the output can be created without touching anything, else the reason. Something
// the user already has there (a file, earlier frames) is only replaced with `overwrite`.
std::string checkRecordTarget(const std::string& outPath, RecordFormat format, int overwrite);
// The output's path as the recorder uses it: without trailing separators.
std::string recordOutputPath(const std::string& outPath);
// A video is encoded into a hidden file beside it, "DIR/.NAME.part-" and partSuffixLength
// random letters, and takes its name once whole. `target` is absolute, links followed.
constexpr size_t partSuffixLength = 6;
std::string partFilePrefix(const std::string& target);
