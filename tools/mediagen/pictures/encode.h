// Writers for the picture formats the demo reads (baseline JPEG, 24-bit BMP, the zip archive
// of JPEG entries) and PNG for the icon, all with fixed headers and dates so the bytes never vary.
#pragma once

#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<unsigned char>;

// RGB rows, top row first, into a baseline JFIF file at `quality` with full-resolution
// chroma (no subsampling: masks and lettering keep clean edges).
Bytes encodeJpeg(const Bytes& rgb, int width, int height, int quality);
// RGBA rows (straight alpha), top row first, into a PNG file; empty on failure.
Bytes encodePngRgba(const Bytes& rgba, int width, int height);
// RGB rows, top row first, into a BMP with the 40-byte header, 24-bit, bottom row first.
Bytes encodeBmp(const Bytes& rgb, int width, int height);
// The entries, in the order given, deflated, all dated 2026-01-01 00:00. Returns 1 on success.
int writeZip(const std::string& path, const std::vector<std::pair<std::string, Bytes>>& entries);
int writeBytes(const std::string& path, const Bytes& bytes);
