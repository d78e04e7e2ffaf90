// The media generator's jobs: pictures (archive and BMPs), the soundtrack, and the icon.
// Each writes its files into the output directory and returns 1 on success.
#pragma once

#include <string>
#include <vector>

int generatePictures(const std::string& outDir);
int generateSoundtrack(const std::string& outDir);
// The program's icon as OUTDIR/NxN/apps/quorvex.png for each size N, the icon theme's layout.
int generateIcons(const std::string& outDir, const std::vector<int>& sizes);
