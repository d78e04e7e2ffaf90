// The two halves of the media generator: pictures (archive and BMPs) and the soundtrack.
// Each writes its files into the output directory and returns 1 on success.
#pragma once

#include <string>

int generatePictures(const std::string& outDir);
int generateSoundtrack(const std::string& outDir);
