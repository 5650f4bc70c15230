// RIFF WAVE output: 16-bit little-endian PCM.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "assets.h"

static void put32(FILE* f, uint32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, f);
}
static void put16(FILE* f, uint16_t v) {
  uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  std::fwrite(b, 1, 2, f);
}

bool writeWAV(const std::string& path, const Sound& s) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "velmora_assetgen: cannot write %s\n", path.c_str());
    return false;
  }
  uint32_t bytes = uint32_t(s.samples.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);
  put16(f, uint16_t(s.channels));
  put32(f, uint32_t(s.rate));
  put32(f, uint32_t(s.rate * s.channels * 2));
  put16(f, uint16_t(s.channels * 2));
  put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, bytes);
  for (float v : s.samples) put16(f, uint16_t(int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f))));
  return std::fclose(f) == 0;
}
