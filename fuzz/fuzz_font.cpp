// Feeds arbitrary bytes to the font loader (through a file, as the game
// loads it) and renders every printable character.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/velmora-fuzz-font-" + std::to_string(getpid()) + ".ttf";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  auto font = LoadImageFont(path, 20, FONT_SMOOTH);
  if (font) {
    for (int ch = 32; ch < 127; ++ch) {
      int glyph = font->CharToGlyph(ch);
      if (glyph >= 0) font->LoadGlyph(glyph);
    }
  }
  return 0;
}
