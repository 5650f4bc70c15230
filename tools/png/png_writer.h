// The one PNG writer of the project's tools and tests: any colour type and
// bit depth libpng writes, with a palette and transparency when given.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

struct PngFile {
  int width = 1;
  int height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  std::vector<uint8_t> data;            // packed rows as libpng expects them
  std::vector<png_color> palette;       // for palette images
  std::vector<png_byte> transAlpha;     // tRNS for palette images
  int transGrey = -1;                   // tRNS grey value for grey images
  int compressionLevel = -1;            // zlib's 0..9; -1 leaves libpng's default
};

// False when the file cannot be written or libpng refuses the image.
bool WritePng(const std::string& path, const PngFile& file);

// An 8-bit RGBA image of w x h from its rows of bytes, top row first.
PngFile RgbaPngFile(int width, int height, std::vector<uint8_t> rgba);
