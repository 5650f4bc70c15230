// Small PNG writer for the image tests: builds files of every colour type
// the loader must handle, straight from rows of bytes.
#pragma once

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/images.h"

struct PngFile {
  int width = 1;
  int height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  std::vector<uint8_t> data;            // packed rows as libpng expects them
  std::vector<png_color> palette;       // for palette images
  std::vector<png_byte> transAlpha;     // tRNS for palette images
  int transGrey = -1;                   // tRNS grey value for grey images
};

inline bool WritePng(const std::string& path, const PngFile& s) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
  if (!s.transAlpha.empty())
    png_set_tRNS(png, info, s.transAlpha.data(), int(s.transAlpha.size()), nullptr);
  png_color_16 grey{};
  if (s.transGrey >= 0) {
    grey.gray = png_uint_16(s.transGrey);
    png_set_tRNS(png, info, nullptr, 0, &grey);
  }
  png_write_info(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  for (int y = 0; y < s.height; ++y)
    png_write_row(png, const_cast<png_bytep>(s.data.data() + rowBytes * y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return true;
}

inline PngFile MakePng(int w, int h, int colorType, int bitDepth, std::vector<uint8_t> data) {
  PngFile s;
  s.width = w;
  s.height = h;
  s.colorType = colorType;
  s.bitDepth = bitDepth;
  s.data = std::move(data);
  return s;
}

// An 8-bit RGB file from a list of 0xRRGGBB pixels, row by row.
inline PngFile RgbPng(int w, int h, const std::vector<uint32_t>& rgb) {
  PngFile s;
  s.width = w;
  s.height = h;
  for (uint32_t c : rgb) {
    s.data.push_back(uint8_t(c >> 16));
    s.data.push_back(uint8_t(c >> 8));
    s.data.push_back(uint8_t(c));
  }
  return s;
}

inline std::string TempPath(const std::string& name) {
  return testing::TempDir() + "velmora_" + name;
}
