// The generator's PNG files: 8-bit RGBA with fixed compression settings, so
// the bytes are the same on every run.
#include "png_writer.h"

#include <cstdio>

#include "canvas.h"

bool writePNG(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba) {
  PngFile file = RgbaPngFile(w, h, rgba);
  file.compressionLevel = 9;
  if (WritePng(path, file)) return true;
  std::fprintf(stderr, "velmora_assetgen: cannot write %s\n", path.c_str());
  return false;
}

bool writePNG(const std::string& path, const Canvas& c) { return writePNG(path, c.w, c.h, c.toRGBA8()); }
