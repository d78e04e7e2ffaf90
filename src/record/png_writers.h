// A frame directory's pictures: PNG files of RGB frames, compressed by threads of their own,
// each named as a frame only once it and every frame before it are whole.
#pragma once

#include <cstdint>
#include <string>

// PNG frames of width x height RGB pixels, top row first, numbered from 0 in the order
// queued and compressed by threads of their own. Each file is created by the caller, in
// order, so a name that cannot be made stops the recording at that very frame. A frame is
// written under a hidden name and takes its own (pngFramePath) once it and every frame
// before it are whole; after a failed write the frames still queued are dropped.
struct PngWriters;
int pngWriterThreads();  // how many compressors this machine is given
PngWriters* startPngWriters(const std::string& directory, int threads, int width, int height);
// Copies the frame; waits while every compressor is busy and one frame already waits.
int queuePng(PngWriters* writers, const uint8_t* rgb);
// Waits for the queued frames and frees the writers; 1 when every frame reached its file.
// Else the first frame that failed (none from it on are kept) and the error, when asked.
int finishPngWriters(PngWriters* writers, long* failedFrame = nullptr, int* failedError = nullptr);
// For a second interrupt, as abandonEncoderNow: no frame takes its name any more and the
// unfinished ones are removed.
void abandonPngWritersNow();
std::string pngFramePath(const std::string& directory, long frame);
// Whether a directory entry is a frame file, and whether an unfinished one.
bool isPngFrameName(const char* name, bool* unfinished);
