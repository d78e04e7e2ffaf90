// One resolver for every media path: "DATA\textures.zip", "Data/font.bmp" and
// "data/muhsik.mp3" all find data/..., each component matched without regard to case.
#pragma once

#include <cstdio>
#include <string>

// The path of an existing file or directory that `path` names, relative to the working
// directory, with `\` taken as a separator and each component matched case-insensitively
// (an exact match wins). Empty when nothing matches.
std::string resolveDataPath(const char* path);

// fopen through the resolver; null when the file does not exist.
std::FILE* openDataFile(const char* path, const char* mode);
