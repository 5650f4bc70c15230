// PNG output through libpng, row by row from the packed data.
#include "png_writer.h"

#include <csetjmp>
#include <cstdio>

bool WritePng(const std::string& path, const PngFile& s) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  if (s.compressionLevel >= 0) png_set_compression_level(png, s.compressionLevel);
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
  return std::fclose(f) == 0;
}

PngFile RgbaPngFile(int width, int height, std::vector<uint8_t> rgba) {
  PngFile file;
  file.width = width;
  file.height = height;
  file.colorType = PNG_COLOR_TYPE_RGBA;
  file.data = std::move(rgba);
  return file;
}
