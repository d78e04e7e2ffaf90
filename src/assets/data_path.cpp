// The data-path resolver. (Stub: paths are used as given until the resolver lands.)
#include "assets/data_path.h"

std::string resolveDataPath(const char* path) { return path ? path : ""; }
std::FILE* openDataFile(const char* path, const char* mode) { return std::fopen(resolveDataPath(path).c_str(), mode); }
