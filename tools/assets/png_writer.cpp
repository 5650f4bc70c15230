// PNG output through libpng: 8-bit RGBA, fixed compression settings so the
// bytes are the same on every run.
#include <png.h>

#include <cstdio>

#include "canvas.h"

bool writePNG(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "velmora_assetgen: cannot write %s\n", path.c_str());
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::fprintf(stderr, "velmora_assetgen: PNG encoding failed for %s\n", path.c_str());
    return false;
  }
  png_init_io(png, f);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, const_cast<png_bytep>(&rgba[size_t(y) * w * 4]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool writePNG(const std::string& path, const Canvas& c) { return writePNG(path, c.w, c.h, c.toRGBA8()); }
