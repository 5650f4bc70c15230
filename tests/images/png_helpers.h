// PNG files for the image tests: every colour type the loader must handle,
// straight from rows of bytes, written by the tools' PNG writer.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/images.h"
#include "png_writer.h"

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
