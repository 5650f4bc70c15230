// The review sheet: every image on a grey checkerboard (so alpha shows),
// labelled with its name in the pixel font, packed in rows.
#include <algorithm>

#include "assets.h"

bool writeContactSheet(const std::string& path, const ImageSet& set) {
  const int W = 2100, pad = 14, label = 18;
  // Lay out first to know the height; very tall or wide images are shown
  // at half size so the sheet stays readable.
  struct Slot {
    const Canvas* img;
    std::string name;
    int x, y;
    float s;
  };
  std::vector<Slot> slots;
  int x = pad, y = pad, rowH = 0;
  for (auto& [name, img] : set) {
    float s = img.w > 1000 || img.h > 400 ? 0.5f : (img.w < 120 && img.h < 60 ? 2.0f : 1.0f);
    if (name == "road") s = 1.0f;
    int w = std::max(int(img.w * s), Canvas::textWidth(name, 2)), h = int(img.h * s) + label;
    if (name == "road") h = 24 + label;
    if (x + w > W - pad) x = pad, y += rowH + pad, rowH = 0;
    slots.push_back({&img, name, x, y, s});
    x += w + pad;
    rowH = std::max(rowH, h);
  }
  int H = y + rowH + pad;
  Canvas sheet(W, H);
  sheet.fillRect(0, 0, W, H, rgb(40, 40, 48));
  for (auto& sl : slots) {
    sheet.text(sl.name, sl.x, sl.y, 2, rgb(255, 255, 120));
    int iw = int(sl.img->w * sl.s), ih = sl.name == "road" ? 24 : int(sl.img->h * sl.s);
    int top = sl.y + label;
    for (int yy = 0; yy < ih; ++yy)
      for (int xx = 0; xx < iw; ++xx)
        sheet.set(sl.x + xx, top + yy, ((xx / 8 + yy / 8) % 2) ? rgb(150, 150, 160) : rgb(110, 110, 120));
    if (sl.name == "road") {
      // Each one-pixel frame stretched to a band of twelve rows.
      sheet.drawCanvas(*sl.img, sl.x, top, 1, 12);
    } else {
      sheet.drawCanvas(*sl.img, sl.x, top, sl.s, sl.s);
    }
  }
  return writePNG(path, W, H, sheet.toRGBA8(false));
}
