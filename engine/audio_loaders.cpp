// Sample loaders: RIFF WAVE (PCM) and Ogg Vorbis, both decoding a file that
// is already in memory, so a short or lying file can never be over-read.
#include <sys/stat.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

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
  uint64_t Left() const { return fSize - fPos; }
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

// sox and others stream a WAV to a pipe with these in place of the sizes
// they could not go back and fill in.
bool IsStreamingSize(uint32_t size) { return size == 0 || size == 0x7ffff000u || size == 0xffffffffu; }

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return line;
}

// The WAV decoder; on refusal `why` says what is wrong with the file.
std::shared_ptr<TAudioSample> DecodeWav(const uint8_t* data, size_t size, std::string& why) {
  ByteReader in(data, size);
  uint32_t riffSize, fmtLength, tag, channels, hertz, byteRate, blockAlign, bits;
  if (!in.Tag("RIFF") || !in.U32(riffSize) || !in.Tag("WAVE")) {
    why = "not a RIFF WAVE file";
    return nullptr;
  }
  if (!in.Tag("fmt ")) {
    why = "no format chunk after the WAVE header";
    return nullptr;
  }
  if (!in.U32(fmtLength) || !in.U16(tag) || !in.U16(channels) || !in.U32(hertz) || !in.U32(byteRate) ||
      !in.U16(blockAlign) || !in.U16(bits)) {
    why = "truncated format chunk";
    return nullptr;
  }
  if (fmtLength < 16) {
    why = Printf("format chunk of %u bytes, shorter than 16", fmtLength);
    return nullptr;
  }
  if (tag != 1) {
    why = Printf("unsupported format tag %u (only 1, integer PCM, is read)", tag);
    return nullptr;
  }
  const int format = WavFormat(channels, bits);
  if (format == 0) {
    why = Printf("%u-bit samples in %u channels (only 8 or 16-bit mono or stereo is read)", bits, channels);
    return nullptr;
  }
  if (hertz == 0) {
    why = "sample rate 0";
    return nullptr;
  }
  if (!in.Skip(fmtLength - 16)) {
    why = Printf("format chunk states %u bytes, more than the file holds", fmtLength);
    return nullptr;
  }
  for (;;) {
    uint32_t length;
    char name[5] = {};
    if (in.Has(4)) std::memcpy(name, in.Here(), 4);
    const bool isData = std::memcmp(name, "data", 4) == 0;
    if (!in.Skip(4) || !in.U32(length)) {
      why = "no data chunk";
      return nullptr;
    }
    const size_t left = static_cast<size_t>(in.Left());
    if (!isData) {
      if (!in.Skip(length)) {
        why = Printf("chunk \"%.4s\" states %u bytes, more than the %zu left in the file", name, length, left);
        return nullptr;
      }
      continue;
    }
    // A data chunk longer than the file is a truncated or lying file.
    if (!in.Has(length)) {
      why = Printf("truncated data: the data chunk states %u bytes but %zu follow", length, left);
      if (IsStreamingSize(length) || IsStreamingSize(riffSize)) {
        why += " (a WAV streamed to a pipe, whose sizes were never filled in)";
      }
      return nullptr;
    }
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

// What the page walk learns of a stream before vorbisfile sees it.
struct OggLayout {
  int64_t firstLinkFrames = 0;  // the last granule position of the first link
  std::vector<size_t> linkEnds;  // byte offset just past each link
  bool layoutChanges = false;    // a later link has other channels, rate or codec
};

// A cut-off file still decodes up to its last whole page, so check that
// the pages run back to back to the end and the last one closes the stream.
// Each link's first page holds its Vorbis identification header: channels
// and rate are compared with the first link's.
bool OggStreamComplete(const uint8_t* data, size_t size, std::string& why, OggLayout& layout) {
  size_t offset = 0;
  bool ended = false;
  bool firstLink = true;
  int channels = -1;
  uint32_t rate = 0;
  while (offset < size) {
    if (size - offset < 27 || std::memcmp(data + offset, "OggS", 4) != 0) {
      why = offset == 0 ? "not an Ogg stream" : Printf("no Ogg page at byte %zu", offset);
      return false;
    }
    const size_t segments = data[offset + 26];
    size_t length = 27 + segments;
    if (size - offset >= length) {
      for (size_t i = 0; i < segments; ++i) length += data[offset + 27 + i];
    }
    if (size - offset < length) {
      why = Printf("truncated: the Ogg page at byte %zu runs past the end of the file", offset);
      return false;
    }
    const uint8_t flags = data[offset + 5];
    if (flags & 0x02) {
      const uint8_t* body = data + offset + 27 + segments;
      const bool vorbis = length - 27 - segments >= 16 && std::memcmp(body, "\x01vorbis", 7) == 0;
      const int linkChannels = vorbis ? body[11] : 0;
      const uint32_t linkRate = vorbis ? (body[12] | body[13] << 8 | body[14] << 16 | uint32_t(body[15]) << 24) : 0;
      if (channels < 0) {
        channels = linkChannels;
        rate = linkRate;
      } else if (linkChannels != channels || linkRate != rate) {
        layout.layoutChanges = true;
      }
    }
    if (firstLink) {
      int64_t granule = 0;
      for (int i = 7; i >= 0; --i) granule = granule << 8 | data[offset + 6 + i];
      if (granule > 0) layout.firstLinkFrames = granule;
    }
    ended = (flags & 0x04) != 0;
    offset += length;
    if (ended) {
      firstLink = false;
      layout.linkEnds.push_back(offset);
    }
  }
  if (!ended) why = "truncated: the last Ogg page does not end the stream";
  return ended;
}

// The Ogg Vorbis decoder. Links of a chain that change the channel count
// or rate cannot share one sample: then only the first link is decoded,
// and `note` says so.
std::shared_ptr<TAudioSample> DecodeOgg(const uint8_t* data, size_t size, std::string& why, std::string& note) {
  OggLayout layout;
  if (!OggStreamComplete(data, size, why, layout)) return nullptr;
  const int64_t total = layout.firstLinkFrames;
  // A chain whose links change layout is cut after its first link.
  const bool firstLinkOnly = layout.layoutChanges;
  const size_t links = firstLinkOnly ? 1 : layout.linkEnds.size();
  // Each link is read on its own, as a stream without a seek callback:
  // vorbisfile reports a hole where one link gives way to the next when
  // streaming, and its search for links in a seekable file leaks on some
  // damaged chains (libvorbisfile 1.3.7).
  const ov_callbacks callbacks{OggRead, nullptr, nullptr, nullptr};
  OggMemory mem{data, layout.linkEnds.front(), 0};
  OggVorbis_File vf;
  if (ov_open_callbacks(&mem, &vf, nullptr, 0, callbacks) != 0) {
    why = "not an Ogg Vorbis stream";
    return nullptr;
  }
  std::shared_ptr<TAudioSample> sample;
  const vorbis_info* info = ov_info(&vf, -1);
  // More than two channels cannot be told apart in the two sample layouts.
  if (!info || info->rate <= 0) {
    why = "no Vorbis stream header";
  } else if (info->channels != 1 && info->channels != 2) {
    why = Printf("%d channels (only mono or stereo is read)", info->channels);
  } else {
    const int channels = info->channels;
    const long rate = info->rate;
    const int format = channels == 1 ? SF_MONO16LE : SF_STEREO16LE;
    const size_t frameBytes = BytesPerFrame(format);
    std::vector<uint8_t> pcm;
    // The stated length only sizes the first allocation; a lying header
    // costs at most this much.
    if (total > 0) pcm.reserve(std::min<size_t>(static_cast<size_t>(total) * frameBytes, 64u << 20));
    std::vector<char> chunk(1 << 16);
    bool failed = false;
    for (size_t link = 0; !failed;) {
      int section = 0;
      const long got = ov_read(&vf, chunk.data(), static_cast<int>(chunk.size()), 0, 2, 1, &section);
      if (got == 0) {
        if (++link >= links) break;
        // The next link of the same layout, from where the last one ended.
        ov_clear(&vf);
        mem = OggMemory{data + layout.linkEnds[link - 1], layout.linkEnds[link] - layout.linkEnds[link - 1], 0};
        const vorbis_info* next = nullptr;
        if (ov_open_callbacks(&mem, &vf, nullptr, 0, callbacks) == 0) next = ov_info(&vf, -1);
        if (!next || next->channels != channels || next->rate != rate) {
          if (next) ov_clear(&vf);
          // vf is cleared either way; nothing below may touch it.
          vf = OggVorbis_File{};
          why = Printf("link %zu of the chained Ogg stream does not decode", link + 1);
          failed = true;
        }
        continue;
      }
      if (got < 0) {
        why = "damaged Vorbis data";
        failed = true;
        break;
      }
      // Twelve minutes of stereo at 44.1 kHz: far beyond any of the game's
      // tracks, and small enough that a stream of tiny packets cannot
      // make the loader take gigabytes.
      if (pcm.size() + got > (128u << 20)) {
        why = "more than 128 MiB of decoded sound";
        failed = true;
        break;
      }
      pcm.insert(pcm.end(), chunk.data(), chunk.data() + got);
    }
    // A damaged stream may decode to nothing at all; the game would play
    // silence where the music was, so it is refused like any bad file.
    if (!failed && pcm.size() < frameBytes) {
      why = total > 0 ? Printf("the stream states %lld frames but none decode", static_cast<long long>(total))
                      : std::string("the stream decodes to no sound at all");
      failed = true;
    }
    if (!failed) {
      sample = std::make_shared<TAudioSample>();
      sample->length = static_cast<int>(pcm.size() / frameBytes);
      pcm.resize(static_cast<size_t>(sample->length) * frameBytes);
      sample->samples = std::move(pcm);
      sample->hertz = static_cast<int>(rate);
      sample->format = format;
      sample->capacity = static_cast<int>(sample->samples.size());
      if (firstLinkOnly) {
        note = Printf("its chained Ogg links change channels or rate; only the first (%d channel%s, %ld Hz) is played",
                      channels, channels == 1 ? "" : "s", rate);
      }
    }
  }
  ov_clear(&vf);
  return sample;
}
}  // namespace

std::shared_ptr<TAudioSample> LoadWavSample(const uint8_t* data, size_t size) {
  if (!data) return nullptr;
  std::string why;
  return DecodeWav(data, size, why);
}

std::shared_ptr<TAudioSample> LoadOggSample(const uint8_t* data, size_t size) {
  if (!data) return nullptr;
  std::string why, note;
  return DecodeOgg(data, size, why, note);
}

std::shared_ptr<TAudioSample> LoadAudioSample(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string why = "not a PCM WAV or Ogg Vorbis file";
  const char* readError = nullptr;
  if (ReadWholeFile(path, bytes, readError)) {
    // Each loader starts from the first byte; the first to succeed wins.
    // When both refuse, the one whose signature the file carries says why.
    std::string wavWhy, oggWhy, note;
    if (auto sample = DecodeWav(bytes.data(), bytes.size(), wavWhy)) return sample;
    if (auto sample = DecodeOgg(bytes.data(), bytes.size(), oggWhy, note)) {
      if (!note.empty()) std::fprintf(stderr, "velmora: sound \"%s\": %s\n", path.c_str(), note.c_str());
      return sample;
    }
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0) why = wavWhy;
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0) why = oggWhy;
  } else {
    why = readError;
  }
  std::fprintf(stderr, "velmora: cannot load sound \"%s\": %s\n", path.c_str(), why.c_str());
  return nullptr;
}
