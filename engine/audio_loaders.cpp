// Sample loaders: RIFF WAVE (PCM) and Ogg Vorbis, both decoding a file that
// is already in memory, so a short or lying file can never be over-read.
#include <sys/stat.h>
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/sound.h"

int BytesPerFrame(int format) {
  static constexpr int BYTES[] = {0, 1, 2, 2, 2, 4, 4};
  return format >= 1 && format <= 6 ? BYTES[format] : 0;
}

namespace {
// A bounds-checked little-endian reader over a byte range.
class ByteReader {
public:
  ByteReader(const uint8_t* data, size_t size) : fData(data), fSize(size) {}

  bool Tag(const char* tag) {
    if (!Has(4)) return false;
    const bool match = std::memcmp(fData + fPos, tag, 4) == 0;
    fPos += 4;
    return match;
  }
  bool U16(uint32_t& v) {
    if (!Has(2)) return false;
    v = fData[fPos] | fData[fPos + 1] << 8;
    fPos += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (!Has(4)) return false;
    v = fData[fPos] | fData[fPos + 1] << 8 | fData[fPos + 2] << 16 | static_cast<uint32_t>(fData[fPos + 3]) << 24;
    fPos += 4;
    return true;
  }
  bool Skip(uint64_t n) {
    if (!Has(n)) return false;
    fPos += n;
    return true;
  }
  bool Has(uint64_t n) const { return n <= fSize - fPos; }
  const uint8_t* Here() const { return fData + fPos; }

private:
  const uint8_t* fData;
  size_t fSize;
  size_t fPos = 0;
};

int WavFormat(uint32_t channels, uint32_t bits) {
  if (bits == 8) return channels == 1 ? SF_MONO8 : channels == 2 ? SF_STEREO8 : 0;
  if (bits == 16) return channels == 1 ? SF_MONO16LE : channels == 2 ? SF_STEREO16LE : 0;
  return 0;
}

// vorbisfile reads through these, over the file's bytes in memory.
struct OggMemory {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

size_t OggRead(void* ptr, size_t size, size_t count, void* source) {
  auto* mem = static_cast<OggMemory*>(source);
  if (size == 0) return 0;
  const size_t items = std::min(count, (mem->size - mem->pos) / size);
  std::memcpy(ptr, mem->data + mem->pos, items * size);
  mem->pos += items * size;
  return items;
}

int OggSeek(void* source, ogg_int64_t offset, int whence) {
  auto* mem = static_cast<OggMemory*>(source);
  ogg_int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<ogg_int64_t>(mem->pos);
  else if (whence == SEEK_END) base = static_cast<ogg_int64_t>(mem->size);
  else if (whence != SEEK_SET) return -1;
  const ogg_int64_t target = base + offset;
  if (target < 0 || target > static_cast<ogg_int64_t>(mem->size)) return -1;
  mem->pos = static_cast<size_t>(target);
  return 0;
}

long OggTell(void* source) { return static_cast<long>(static_cast<OggMemory*>(source)->pos); }

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, const char*& why) {
  // Only regular files: a directory or a FIFO must not hang or half-read.
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) {
    why = "no such file";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    why = "not a regular file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot be opened";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    why = "read error";
    return false;
  }
  return true;
}
}  // namespace

std::shared_ptr<TAudioSample> LoadWavSample(const uint8_t* data, size_t size) {
  if (!data) return nullptr;
  ByteReader in(data, size);
  uint32_t riffSize, fmtLength, tag, channels, hertz, byteRate, blockAlign, bits;
  if (!in.Tag("RIFF") || !in.U32(riffSize) || !in.Tag("WAVE") || !in.Tag("fmt ")) return nullptr;
  if (!in.U32(fmtLength) || fmtLength < 16) return nullptr;
  if (!in.U16(tag) || !in.U16(channels) || !in.U32(hertz) || !in.U32(byteRate) ||
      !in.U16(blockAlign) || !in.U16(bits)) {
    return nullptr;
  }
  const int format = WavFormat(channels, bits);
  if (tag != 1 || format == 0 || hertz == 0) return nullptr;
  if (!in.Skip(fmtLength - 16)) return nullptr;
  for (;;) {
    uint32_t length;
    const bool isData = in.Has(4) && std::memcmp(in.Here(), "data", 4) == 0;
    if (!in.Skip(4) || !in.U32(length)) return nullptr;
    if (!isData) {
      if (!in.Skip(length)) return nullptr;
      continue;
    }
    // A data chunk longer than the file is a truncated or lying file.
    if (!in.Has(length)) return nullptr;
    auto sample = std::make_shared<TAudioSample>();
    const int frameBytes = BytesPerFrame(format);
    sample->length = static_cast<int>(length / frameBytes);
    sample->hertz = static_cast<int>(hertz);
    sample->format = format;
    sample->samples.assign(in.Here(), in.Here() + static_cast<size_t>(sample->length) * frameBytes);
    sample->capacity = static_cast<int>(sample->samples.size());
    return sample;
  }
}

// A cut-off file still decodes up to its last whole page, so check that
// the pages run back to back to the end and the last one closes the stream.
static bool OggStreamComplete(const uint8_t* data, size_t size) {
  size_t offset = 0;
  bool ended = false;
  while (offset < size) {
    if (size - offset < 27 || std::memcmp(data + offset, "OggS", 4) != 0) return false;
    const size_t segments = data[offset + 26];
    if (size - offset < 27 + segments) return false;
    size_t length = 27 + segments;
    for (size_t i = 0; i < segments; ++i) length += data[offset + 27 + i];
    if (size - offset < length) return false;
    ended = (data[offset + 5] & 0x04) != 0;
    offset += length;
  }
  return ended;
}

std::shared_ptr<TAudioSample> LoadOggSample(const uint8_t* data, size_t size) {
  if (!data || !OggStreamComplete(data, size)) return nullptr;
  OggMemory mem{data, size, 0};
  const ov_callbacks callbacks{OggRead, OggSeek, nullptr, OggTell};
  OggVorbis_File vf;
  if (ov_open_callbacks(&mem, &vf, nullptr, 0, callbacks) != 0) return nullptr;
  std::shared_ptr<TAudioSample> sample;
  const vorbis_info* info = ov_info(&vf, -1);
  const ogg_int64_t total = ov_pcm_total(&vf, -1);
  // More than two channels cannot be told apart in the two sample layouts.
  if (info && (info->channels == 1 || info->channels == 2) && info->rate > 0) {
    const int format = info->channels == 1 ? SF_MONO16LE : SF_STEREO16LE;
    const size_t frameBytes = BytesPerFrame(format);
    std::vector<uint8_t> pcm;
    // The stated length only sizes the first allocation; a lying header
    // costs at most this much.
    if (total > 0) pcm.reserve(std::min<size_t>(static_cast<size_t>(total) * frameBytes, 64u << 20));
    std::vector<char> chunk(1 << 16);
    bool failed = false;
    for (;;) {
      int section = 0;
      const long got = ov_read(&vf, chunk.data(), static_cast<int>(chunk.size()), 0, 2, 1, &section);
      if (got == 0) break;
      if (got < 0 || pcm.size() + got > (1u << 30)) {
        failed = true;
        break;
      }
      pcm.insert(pcm.end(), chunk.data(), chunk.data() + got);
    }
    if (!failed) {
      sample = std::make_shared<TAudioSample>();
      sample->length = static_cast<int>(pcm.size() / frameBytes);
      pcm.resize(static_cast<size_t>(sample->length) * frameBytes);
      sample->samples = std::move(pcm);
      sample->hertz = static_cast<int>(info->rate);
      sample->format = format;
      sample->capacity = static_cast<int>(sample->samples.size());
    }
  }
  ov_clear(&vf);
  return sample;
}

std::shared_ptr<TAudioSample> LoadAudioSample(const std::string& path) {
  std::vector<uint8_t> bytes;
  const char* why = "not a PCM WAV or Ogg Vorbis file";
  if (ReadWholeFile(path, bytes, why)) {
    // Each loader starts from the first byte; the first to succeed wins.
    if (auto sample = LoadWavSample(bytes.data(), bytes.size())) return sample;
    if (auto sample = LoadOggSample(bytes.data(), bytes.size())) return sample;
  }
  std::fprintf(stderr, "velmora: cannot load sound \"%s\": %s\n", path.c_str(), why);
  return nullptr;
}
