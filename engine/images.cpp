// Pixel maps, the PNG decoder, masking, and images of one or more frames.
#include "engine/images.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>


TFrameMaker* gFrameMaker = nullptr;
int gGraphicsSeq = 0;

void BumpGraphicsSeq() {
  unsigned next = unsigned(gGraphicsSeq) + 1u;
  if (next == 0) next = 1;
  gGraphicsSeq = int(next);
}

int BytesPerPixel(int format) {
  switch (format) {
    case PF_I8:
    case PF_A8: return 1;
    case PF_BGR888:
    case PF_RGB888: return 3;
    case PF_BGRA8888:
    case PF_RGBA8888: return 4;
  }
  return 0;
}

int FormatHasAlpha(int format) {
  return format == PF_A8 || format == PF_BGRA8888 || format == PF_RGBA8888;
}

TPixmap::~TPixmap() {
  if (capacity > 0) std::free(pixels);
}

std::shared_ptr<TPixmap> TPixmap::Create(int width, int height, int format, int align) {
  int bpp = BytesPerPixel(format);
  if (width < 0 || height < 0 || bpp == 0 || align < 1) return nullptr;
  auto p = std::make_shared<TPixmap>();
  p->width = width;
  p->height = height;
  p->format = format;
  p->pitch = (width * bpp + align - 1) / align * align;
  size_t bytes = size_t(p->pitch) * size_t(height);
  p->pixels = static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
  if (!p->pixels) return nullptr;
  p->capacity = int(std::min<size_t>(bytes ? bytes : 1, 0x7fffffff));
  return p;
}

std::shared_ptr<TPixmap> TPixmap::Window(int x, int y, int w, int h) {
  if (x < 0 || y < 0 || w < 0 || h < 0 || x + w > width || y + h > height) return nullptr;
  auto v = std::make_shared<TPixmap>();
  v->pixels = PixelPtr(x, y);
  v->width = w;
  v->height = h;
  v->pitch = pitch;
  v->format = format;
  v->capacity = -1;
  // A view keeps the owner of its memory alive, whatever chain it came from.
  v->_source = _source ? _source : weak_from_this().lock();
  return v;
}

std::shared_ptr<TPixmap> TPixmap::Copy() {
  auto c = Create(width, height, format);
  if (!c) return nullptr;
  int row = width * BytesPerPixel(format);
  for (int y = 0; y < height; ++y) std::memcpy(c->PixelPtr(0, y), PixelPtr(0, y), row);
  return c;
}

uint8_t* TPixmap::PixelPtr(int x, int y) {
  return pixels + size_t(y) * pitch + size_t(x) * BytesPerPixel(format);
}

uint32_t TPixmap::ReadPixel(int x, int y) const {
  const uint8_t* p = pixels + size_t(y) * pitch + size_t(x) * BytesPerPixel(format);
  uint32_t r = 255, g = 255, b = 255, a = 255;
  switch (format) {
    case PF_I8: r = g = b = p[0]; break;
    case PF_A8: a = p[0]; break;
    case PF_BGR888: b = p[0]; g = p[1]; r = p[2]; break;
    case PF_RGB888: r = p[0]; g = p[1]; b = p[2]; break;
    case PF_BGRA8888: b = p[0]; g = p[1]; r = p[2]; a = p[3]; break;
    case PF_RGBA8888: r = p[0]; g = p[1]; b = p[2]; a = p[3]; break;
  }
  return (a << 24) | (r << 16) | (g << 8) | b;
}

static void WritePixel(uint8_t* p, int format, uint32_t argb) {
  uint8_t a = argb >> 24, r = argb >> 16, g = argb >> 8, b = argb;
  switch (format) {
    case PF_I8: p[0] = uint8_t((r + g + b) / 3); break;
    case PF_A8: p[0] = a; break;
    case PF_BGR888: p[0] = b; p[1] = g; p[2] = r; break;
    case PF_RGB888: p[0] = r; p[1] = g; p[2] = b; break;
    case PF_BGRA8888: p[0] = b; p[1] = g; p[2] = r; p[3] = a; break;
    case PF_RGBA8888: p[0] = r; p[1] = g; p[2] = b; p[3] = a; break;
  }
}

void TPixmap::Paste(const TPixmap& source, int x, int y) {
  for (int sy = 0; sy < source.height; ++sy) {
    int dy = y + sy;
    if (dy < 0 || dy >= height) continue;
    for (int sx = 0; sx < source.width; ++sx) {
      int dx = x + sx;
      if (dx < 0 || dx >= width) continue;
      WritePixel(PixelPtr(dx, dy), format, source.ReadPixel(sx, sy));
    }
  }
}

std::shared_ptr<TPixmap> TPixmap::Convert(int newFormat) {
  if (newFormat == format) return Copy();
  auto c = Create(width, height, newFormat);
  if (c) c->Paste(*this, 0, 0);
  return c;
}

// Box filter: each target pixel is the mean of the source pixels it covers.
std::shared_ptr<TPixmap> TPixmap::ResizePixmap(int w, int h) {
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0) return nullptr;
  auto out = Create(w, h, PF_RGBA8888);
  if (!out) return nullptr;
  for (int y = 0; y < h; ++y) {
    int y0 = int(int64_t(y) * height / h), y1 = std::max(y0 + 1, int(int64_t(y + 1) * height / h));
    for (int x = 0; x < w; ++x) {
      int x0 = int(int64_t(x) * width / w), x1 = std::max(x0 + 1, int(int64_t(x + 1) * width / w));
      uint64_t s[4] = {0, 0, 0, 0}, n = 0;
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx, ++n) {
          uint32_t c = ReadPixel(sx, sy);
          s[0] += (c >> 16) & 255; s[1] += (c >> 8) & 255; s[2] += c & 255; s[3] += c >> 24;
        }
      uint8_t* p = out->PixelPtr(x, y);
      for (int i = 0; i < 4; ++i) p[i] = uint8_t(s[i] / n);
    }
  }
  return format == PF_RGBA8888 ? out : out->Convert(format);
}

// ---- PNG ---------------------------------------------------------------

namespace {
struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (n > src->size - src->pos) png_error(png, "truncated");
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
}

// Walks the chunk list before libpng sees it: a chunk that states more
// bytes than the file has left is a lie libpng would act on by allocating
// (up to 2 GiB for text and palette chunks) before noticing. Everything
// up to IEND must fit; bytes after it are ignored.
bool PngChunksFitFile(const uint8_t* data, size_t size) {
  size_t pos = 8;
  while (size - pos >= 12) {
    const uint8_t* p = data + pos;
    const uint32_t length = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    if (length > 0x7fffffffu || length > size - pos - 12) return false;
    if (std::memcmp(p + 4, "IEND", 4) == 0) return true;
    pos += 12 + size_t(length);
  }
  return false;
}

// Ancillary chunks the game never uses: libpng skips them unread, so no
// text, profile or palette suggestion can cost memory or time.
constexpr png_byte IGNORED_CHUNKS[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                      "sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";

// Errors end the decode silently; the caller names the file once.
[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Plain C decode so that the longjmp never skips a C++ destructor.
// Returns a malloc'ed RGBA or grey buffer, or null.
uint8_t* DecodePng(PngSource* src, int* outW, int* outH, int* outChannels) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  uint8_t* volatile buffer = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(buffer);
    std::free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  // Fuzzed headers must not make us allocate gigabytes.
  png_set_user_limits(png, 16384, 16384);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_set_chunk_cache_max(png, 128);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, IGNORED_CHUNKS,
                              int(sizeof IGNORED_CHUNKS / 5));
  png_set_read_fn(png, src, PngRead);
  png_read_info(png, info);
  // Deflate expands at most about 1032 times: a header stating more raw
  // rows than the file's bytes could inflate to is refused before the
  // pixel buffer is allocated for it.
  const double rawBytes = double(png_get_rowbytes(png, info) + 1) * png_get_image_height(png, info);
  if (rawBytes > 1040.0 * double(src->size) + 65536.0) png_error(png, "more pixels than the file holds");
  png_set_strip_16(png);
  png_set_packing(png);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  int w = int(png_get_image_width(png, info));
  int h = int(png_get_image_height(png, info));
  int channels = png_get_channels(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  if (w <= 0 || h <= 0 || channels < 1 || channels > 4 || rowBytes != size_t(w) * channels)
    png_error(png, "unsupported layout");
  // 4096 x 4096 at most (64 MiB as RGBA): the game's largest image is
  // 800 pixels wide, and a tiny low-bit palette file must not be able to
  // claim a quarter of a gigabyte once expanded.
  if (size_t(w) * size_t(h) > (size_t(1) << 24)) png_error(png, "too many pixels");
  buffer = static_cast<uint8_t*>(std::malloc(rowBytes * size_t(h)));
  rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * size_t(h)));
  if (!buffer || !rows) png_error(png, "out of memory");
  for (int y = 0; y < h; ++y) rows[y] = buffer + rowBytes * size_t(y);
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  std::free(rows);
  png_destroy_read_struct(&png, &info, nullptr);
  *outW = w;
  *outH = h;
  *outChannels = channels;
  return buffer;
}
}  // namespace

std::shared_ptr<TPixmap> LoadPixmapPNGFromMemory(const uint8_t* data, size_t size) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return nullptr;
  if (!PngChunksFitFile(data, size)) return nullptr;
  PngSource src{data, size, 0};
  int w = 0, h = 0, channels = 0;
  uint8_t* buffer = DecodePng(&src, &w, &h, &channels);
  if (!buffer) return nullptr;
  static const int kFormats[5] = {0, PF_I8, PF_RGBA8888, PF_RGB888, PF_RGBA8888};
  auto map = TPixmap::Create(w, h, kFormats[channels]);
  if (map) {
    for (int y = 0; y < h; ++y) {
      const uint8_t* s = buffer + size_t(y) * w * channels;
      uint8_t* d = map->PixelPtr(0, y);
      if (channels == 2) {
        // Grey + alpha: the grey value goes to R, G and B.
        for (int x = 0; x < w; ++x, s += 2, d += 4) {
          d[0] = d[1] = d[2] = s[0];
          d[3] = s[1];
        }
      } else {
        std::memcpy(d, s, size_t(w) * channels);
      }
    }
  }
  std::free(buffer);
  return map;
}

// The whole file, or false; a directory or unreadable path is just a failure.
static bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

std::shared_ptr<TPixmap> LoadPixmapPNG(const std::string& path) {
  std::vector<uint8_t> bytes;
  auto map = ReadWholeFile(path, bytes) ? LoadPixmapPNGFromMemory(bytes.data(), bytes.size()) : nullptr;
  if (!map) ReportUnloadable("image", path);
  return map;
}

namespace {
// Files already named; never freed, so it outlives static destructors.
std::set<std::string>* gReported = new std::set<std::string>;
}  // namespace

void ForgetUnloadableReports() { gReported->clear(); }

void ReportUnloadable(const std::string& what, const std::string& path) {
  if (gReported->insert(what + '\n' + path).second)
    std::fprintf(stderr, "velmora: cannot load %s \"%s\"\n", what.c_str(), path.c_str());
}

// ---- Images ------------------------------------------------------------

std::shared_ptr<TPixmap> MaskPixmap(const TPixmap& pixmap, int mr, int mg, int mb) {
  auto out = TPixmap::Create(pixmap.width, pixmap.height, PF_RGBA8888);
  if (!out) return nullptr;
  auto isMask = [&](uint32_t c) {
    return int((c >> 16) & 255) == mr && int((c >> 8) & 255) == mg && int(c & 255) == mb;
  };
  for (int y = 0; y < pixmap.height; ++y) {
    for (int x = 0; x < pixmap.width; ++x) {
      uint32_t c = pixmap.ReadPixel(x, y);
      uint8_t* d = out->PixelPtr(x, y);
      if (!isMask(c)) {
        d[0] = (c >> 16) & 255; d[1] = (c >> 8) & 255; d[2] = c & 255; d[3] = 255;
        continue;
      }
      // A hole takes its neighbours' colour so filtering does not bleed black.
      int sum[3] = {0, 0, 0}, n = 0;
      for (int ny = std::max(0, y - 1); ny <= std::min(pixmap.height - 1, y + 1); ++ny)
        for (int nx = std::max(0, x - 1); nx <= std::min(pixmap.width - 1, x + 1); ++nx) {
          uint32_t o = pixmap.ReadPixel(nx, ny);
          if ((nx == x && ny == y) || isMask(o)) continue;
          sum[0] += (o >> 16) & 255; sum[1] += (o >> 8) & 255; sum[2] += o & 255; ++n;
        }
      for (int i = 0; i < 3; ++i) d[i] = uint8_t(n ? sum[i] / n : 0);
      d[3] = 0;
    }
  }
  return out;
}

std::shared_ptr<TImage> TImage::Create(int width, int height, int frameCount, int flags,
                                       int mr, int mg, int mb) {
  auto image = std::make_shared<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->mask_r = mr;
  image->mask_g = mg;
  image->mask_b = mb;
  image->pixmaps.resize(std::max(frameCount, 0));
  image->frames.resize(std::max(frameCount, 0));
  image->seqs.assign(std::max(frameCount, 0), 0);
  return image;
}

static const std::shared_ptr<TImageFrame> kNoFrame;

const std::shared_ptr<TImageFrame>& TImage::Frame(int index) {
  if (index < 0 || index >= int(pixmaps.size()) || !gFrameMaker || !pixmaps[index])
    return kNoFrame;
  if (seqs[index] == gGraphicsSeq) return frames[index];
  frames[index] = gFrameMaker->CreateFrameFromPixmap(pixmaps[index], flags);
  seqs[index] = frames[index] ? gGraphicsSeq : 0;
  return frames[index];
}

void TImage::SetPixmap(int index, std::shared_ptr<TPixmap> pixmap) {
  if (index < 0 || index >= int(pixmaps.size())) return;
  if (pixmap && (flags & IMAGE_MASKED) && !FormatHasAlpha(pixmap->format))
    pixmap = MaskPixmap(*pixmap, mask_r, mask_g, mask_b);
  pixmaps[index] = std::move(pixmap);
  frames[index] = nullptr;
  seqs[index] = 0;
}

std::shared_ptr<TImage> LoadImage(const std::string& path, int flags) {
  if (flags == -1) flags = IMAGE_MASKED | IMAGE_FILTERED;
  auto map = LoadPixmapPNG(path);
  if (!map) return nullptr;
  auto image = TImage::Create(map->width, map->height, 1, flags);
  image->SetPixmap(0, map);
  return image;
}

std::shared_ptr<TImage> LoadImageStrip(const std::string& path, int cellW, int cellH,
                                       int first, int count, int flags) {
  if (flags == -1) flags = IMAGE_MASKED | IMAGE_FILTERED;
  if (cellW <= 0 || cellH <= 0 || first < 0 || count < 1) return nullptr;
  auto map = LoadPixmapPNG(path);
  if (!map) return nullptr;
  int columns = map->width / cellW, rows = map->height / cellH;
  if (int64_t(columns) * rows < int64_t(first) + count) {
    std::fprintf(stderr, "velmora: image \"%s\" has fewer than %d cells of %dx%d\n",
                 path.c_str(), first + count, cellW, cellH);
    return nullptr;
  }
  auto image = TImage::Create(cellW, cellH, count, flags);
  for (int i = first; i < first + count; ++i) {
    auto cell = map->Window(cellW * (i % columns), cellH * (i / columns), cellW, cellH);
    image->SetPixmap(i - first, cell ? cell->Copy() : nullptr);
  }
  return image;
}

void SetImageHandle(const std::shared_ptr<TImage>& image, float x, float y) {
  if (!image) return;
  image->handle_x = x;
  image->handle_y = y;
}

int ImageWidth(const std::shared_ptr<TImage>& image) { return image ? image->width : 0; }
int ImageHeight(const std::shared_ptr<TImage>& image) { return image ? image->height : 0; }
