// Feeds arbitrary bytes to the PNG loader and masks what it decodes, as
// loading an image does.
#include <cstddef>
#include <cstdint>

#include "engine/images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto pixmap = LoadPixmapPNGFromMemory(data, size);
  if (pixmap && !FormatHasAlpha(pixmap->format) && size_t(pixmap->width) * pixmap->height < (1u << 20))
    MaskPixmap(*pixmap, 0, 0, 0);
  return 0;
}
