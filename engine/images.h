// CPU-side pixel maps, PNG loading, and images of one or more frames whose
// textures are made lazily, once per graphics generation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int PF_I8 = 1;
constexpr int PF_A8 = 2;
constexpr int PF_BGR888 = 3;
constexpr int PF_RGB888 = 4;
constexpr int PF_BGRA8888 = 5;
constexpr int PF_RGBA8888 = 6;

constexpr int IMAGE_MASKED = 1;
constexpr int IMAGE_FILTERED = 2;
constexpr int IMAGE_MIPMAPPED = 4;
constexpr int IMAGE_DYNAMIC = 8;

int BytesPerPixel(int format);
int FormatHasAlpha(int format);

class TPixmap : public std::enable_shared_from_this<TPixmap> {
public:
  uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int format = 0;
  int capacity = 0;                  // bytes owned, -1 for a view
  std::shared_ptr<TPixmap> _source;  // keeps a viewed map alive

  TPixmap() = default;
  // Owns its memory: copying the record would free it twice.
  TPixmap(const TPixmap&) = delete;
  TPixmap& operator=(const TPixmap&) = delete;
  ~TPixmap();
  static std::shared_ptr<TPixmap> Create(int width, int height, int format, int align = 4);
  std::shared_ptr<TPixmap> Window(int x, int y, int w, int h);
  std::shared_ptr<TPixmap> Copy();
  void Paste(const TPixmap& source, int x, int y);
  std::shared_ptr<TPixmap> Convert(int format);
  uint8_t* PixelPtr(int x, int y);
  // Pixel as RGBA bytes packed 0xAARRGGBB, whatever the format.
  uint32_t ReadPixel(int x, int y) const;
  std::shared_ptr<TPixmap> ResizePixmap(int width, int height);
};

// Decodes a PNG file; null (and one line on stderr) when missing or corrupt.
std::shared_ptr<TPixmap> LoadPixmapPNG(const std::string& path);
// Names an unreadable data file on stderr, once per file for the whole run
// (the game loads some files twice, and again after each display switch).
void ReportUnloadable(const std::string& what, const std::string& path);
// Every file may be named once more.
void ForgetUnloadableReports();
std::shared_ptr<TPixmap> LoadPixmapPNGFromMemory(const uint8_t* data, size_t size);

class TImageFrame {
public:
  virtual ~TImageFrame() = default;
  virtual void Draw(float x0, float y0, float x1, float y1, float tx, float ty,
                    float sx, float sy, float sw, float sh) = 0;
};

// Turns a pixel map into a frame that can be drawn; the drawing driver of
// the current graphics is one. Frames are made only while there is one.
class TFrameMaker {
public:
  virtual ~TFrameMaker() = default;
  virtual std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const std::shared_ptr<TPixmap>& pixmap,
                                                             int flags) = 0;
};

// The driver of the current drawing state (with no graphics open, a null
// driver that makes no frames); null until a state was first set.
extern TFrameMaker* gFrameMaker;

// The graphics generation every texture remembers: a frame made under an
// older one belongs to a dead context and is made again on next use.
extern int gGraphicsSeq;
// Steps the generation counter as a 32-bit value that skips 0.
void BumpGraphicsSeq();

class TImage {
public:
  int width = 0;
  int height = 0;
  int flags = 0;
  int mask_r = 0;
  int mask_g = 0;
  int mask_b = 0;
  float handle_x = 0;
  float handle_y = 0;
  std::vector<std::shared_ptr<TPixmap>> pixmaps;
  std::vector<std::shared_ptr<TImageFrame>> frames;
  std::vector<int> seqs;

  static std::shared_ptr<TImage> Create(int width, int height, int frameCount, int flags,
                                        int mr = 0, int mg = 0, int mb = 0);
  // The frame's texture, made under the current graphics generation; null headless.
  // A reference to the stored frame, so drawing an image copies no pointer.
  const std::shared_ptr<TImageFrame>& Frame(int index);
  void SetPixmap(int index, std::shared_ptr<TPixmap> pixmap);
};

// Masked form of a map without alpha: mask-coloured pixels become
// transparent and take the mean colour of their unmasked neighbours.
std::shared_ptr<TPixmap> MaskPixmap(const TPixmap& pixmap, int mr, int mg, int mb);

std::shared_ptr<TImage> LoadImage(const std::string& path, int flags = -1);
std::shared_ptr<TImage> LoadImageStrip(const std::string& path, int cellW, int cellH,
                                       int first, int count, int flags = -1);
void SetImageHandle(const std::shared_ptr<TImage>& image, float x, float y);
int ImageWidth(const std::shared_ptr<TImage>& image);
int ImageHeight(const std::shared_ptr<TImage>& image);
