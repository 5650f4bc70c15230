// Sound loading and the silent drivers, without a sound device: WAV
// parsing from bytes, Ogg decoding of the generated music, the driver
// registry, and null sounds and channels.
#include <gtest/gtest.h>
#include <unistd.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/audio_openal.h"
#include "engine/sound.h"

namespace {
using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(tag[i]));
}

struct WavLayout {
  uint32_t tag = 1;
  uint32_t channels = 1;
  uint32_t bits = 8;
  uint32_t hertz = 11025;
  uint32_t fmtExtra = 0;      // bytes beyond the 16 of a plain format chunk
  bool junkBeforeData = false;
  uint32_t dataBytes = 8;
  uint32_t statedData = 0;    // 0: the true size
};

Bytes MakeWav(const WavLayout& s) {
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 0);
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, 16 + s.fmtExtra);
  Put16(b, s.tag);
  Put16(b, s.channels);
  Put32(b, s.hertz);
  Put32(b, s.hertz * s.channels * s.bits / 8);
  Put16(b, s.channels * s.bits / 8);
  Put16(b, s.bits);
  for (uint32_t i = 0; i < s.fmtExtra; ++i) b.push_back(0xEE);
  if (s.junkBeforeData) {
    PutTag(b, "LIST");
    Put32(b, 5);
    for (int i = 0; i < 5; ++i) b.push_back('x');
  }
  PutTag(b, "data");
  Put32(b, s.statedData ? s.statedData : s.dataBytes);
  for (uint32_t i = 0; i < s.dataBytes; ++i) b.push_back(static_cast<uint8_t>(i * 7 + 1));
  return b;
}

std::shared_ptr<TAudioSample> Parse(const Bytes& b) { return LoadWavSample(b.data(), b.size()); }

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::to_string(getpid()) + "-" + name)).string();
}

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Kept in the build tree so fuzz/run can seed its corpus with them.
void KeepAsFuzzSeed(const char* kind, const std::string& name, const Bytes& bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(std::string("fuzz-seeds/") + kind, ignored);
  WriteFile(std::string("fuzz-seeds/") + kind + "/" + name, bytes);
}

// A short Ogg Vorbis stream (one link) of a quiet tone, a page every few
// hundred frames so that there are middle pages to damage.
Bytes EncodeOgg(int channels, int hertz, int frames, int serial, bool audio = true) {
  Bytes out;
  auto put = [&out](const ogg_page& og) {
    out.insert(out.end(), og.header, og.header + og.header_len);
    out.insert(out.end(), og.body, og.body + og.body_len);
  };
  vorbis_info vi;
  vorbis_info_init(&vi);
  EXPECT_EQ(vorbis_encode_init_vbr(&vi, channels, hertz, 0.1f), 0);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);
  ogg_packet header, comm, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comm);
  ogg_stream_packetin(&os, &code);
  ogg_page og;
  while (ogg_stream_flush(&os, &og)) put(og);
  if (!audio) {
    // The last page states the length, but its one packet holds no sound.
    ogg_packet empty{};
    empty.e_o_s = 1;
    empty.granulepos = frames;
    empty.packetno = 3;
    static unsigned char nothing = 0;
    empty.packet = &nothing;
    ogg_stream_packetin(&os, &empty);
    frames = 0;
  }
  if (frames > 0) {
    float** buf = vorbis_analysis_buffer(&vd, frames);
    for (int i = 0; i < frames; ++i)
      for (int c = 0; c < channels; ++c) buf[c][i] = 0.3f * std::sin(i * 0.05f * (c + 1));
    vorbis_analysis_wrote(&vd, frames);
  }
  vorbis_analysis_wrote(&vd, 0);
  while (audio && vorbis_analysis_blockout(&vd, &vb) == 1) {
    vorbis_analysis(&vb, nullptr);
    vorbis_bitrate_addblock(&vb);
    ogg_packet op;
    while (vorbis_bitrate_flushpacket(&vd, &op)) {
      ogg_stream_packetin(&os, &op);
      while (ogg_stream_flush_fill(&os, &og, 512)) put(og);
    }
  }
  while (ogg_stream_flush(&os, &og)) put(og);
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

// Byte offsets of the Ogg pages of a stream.
std::vector<size_t> PageOffsets(const Bytes& b) {
  std::vector<size_t> pages;
  for (size_t at = 0; at + 27 <= b.size() && std::memcmp(&b[at], "OggS", 4) == 0;) {
    pages.push_back(at);
    size_t length = 27 + b[at + 26];
    for (int i = 0; i < b[at + 26]; ++i) length += b[at + 27 + i];
    at += length;
  }
  return pages;
}

// Loads a file through the game's path and returns what it said on stderr.
std::shared_ptr<TAudioSample> LoadFile(const std::string& name, const Bytes& bytes, std::string& err) {
  const std::string path = TempPath(name.c_str());
  WriteFile(path, bytes);
  testing::internal::CaptureStderr();
  auto sample = LoadAudioSample(path);
  err = testing::internal::GetCapturedStderr();
  std::remove(path.c_str());
  return sample;
}
}  // namespace

TEST(WavLoader, AcceptsPcmLayoutsAndRejectsTheRest) {
  struct Case {
    const char* what;
    WavLayout layout;
    int format;  // 0: must decline
    int frames;
  } cases[] = {
      {"mono 8-bit", {.channels = 1, .bits = 8, .dataBytes = 8}, SF_MONO8, 8},
      {"stereo 8-bit", {.channels = 2, .bits = 8, .dataBytes = 8}, SF_STEREO8, 4},
      {"mono 16-bit", {.channels = 1, .bits = 16, .dataBytes = 8}, SF_MONO16LE, 4},
      {"stereo 16-bit, 18-byte format chunk", {.channels = 2, .bits = 16, .fmtExtra = 2, .dataBytes = 16},
       SF_STEREO16LE, 4},
      {"chunk before data skipped", {.channels = 1, .bits = 16, .junkBeforeData = true, .dataBytes = 6},
       SF_MONO16LE, 3},
      {"partial frame dropped", {.channels = 2, .bits = 16, .dataBytes = 10}, SF_STEREO16LE, 2},
      {"empty data", {.channels = 1, .bits = 8, .dataBytes = 0}, SF_MONO8, 0},
      {"24-bit", {.channels = 1, .bits = 24, .dataBytes = 9}, 0, 0},
      {"float (not PCM)", {.tag = 3, .channels = 1, .bits = 16, .dataBytes = 8}, 0, 0},
      {"three channels", {.channels = 3, .bits = 16, .dataBytes = 12}, 0, 0},
      {"rate 0", {.hertz = 0}, 0, 0},
      {"data length beyond the file", {.channels = 1, .bits = 16, .dataBytes = 8, .statedData = 100000}, 0, 0},
      {"data length near 4 GB", {.channels = 1, .bits = 16, .dataBytes = 8, .statedData = 0xFFFFFFF0u}, 0, 0},
  };
  for (const Case& c : cases) {
    auto sample = Parse(MakeWav(c.layout));
    if (!c.format) {
      EXPECT_FALSE(sample) << c.what;
      continue;
    }
    ASSERT_TRUE(sample) << c.what;
    EXPECT_EQ(sample->format, c.format) << c.what;
    EXPECT_EQ(sample->length, c.frames) << c.what;
    EXPECT_EQ(sample->hertz, 11025) << c.what;
    ASSERT_EQ(sample->samples.size(), static_cast<size_t>(c.frames * BytesPerFrame(c.format))) << c.what;
    for (size_t i = 0; i < sample->samples.size(); ++i) {
      ASSERT_EQ(sample->samples[i], static_cast<uint8_t>(i * 7 + 1)) << c.what;
    }
  }
}

TEST(WavLoader, DeclinesEveryTruncationAndBrokenHeader) {
  const Bytes whole = MakeWav({.channels = 2, .bits = 16, .fmtExtra = 2, .junkBeforeData = true, .dataBytes = 16});
  ASSERT_TRUE(Parse(whole));
  // Every proper prefix is a truncated file; each is copied so that a read
  // past its end is a real over-read (seen by the address sanitizer).
  for (size_t n = 0; n < whole.size(); ++n) {
    const Bytes prefix(whole.begin(), whole.begin() + n);
    EXPECT_FALSE(Parse(prefix)) << "first " << n << " bytes";
  }
  struct Patch {
    const char* what;
    size_t offset;
    const char* bytes;
  } patches[] = {
      {"not RIFF", 0, "RIFX"}, {"not WAVE", 8, "AVI "}, {"no fmt first", 12, "LIST"},
      {"format chunk shorter than 16", 16, "\x0e\0\0\0"},
      {"skipped chunk longer than the file", 42, "\xff\xff\xff\x7f"},
      {"no data chunk", 51, "atad"},
  };
  for (const Patch& p : patches) {
    Bytes b = whole;
    std::memcpy(b.data() + p.offset, p.bytes, 4);
    EXPECT_FALSE(Parse(b)) << p.what;
  }
  EXPECT_FALSE(LoadWavSample(nullptr, 0));
}

TEST(OggLoader, DecodesTheGeneratedMusicAndDeclinesGarbage) {
  Bytes garbage(4096);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
  std::memcpy(garbage.data(), "OggS", 4);
  EXPECT_FALSE(LoadOggSample(garbage.data(), garbage.size()));
  EXPECT_FALSE(LoadOggSample(garbage.data(), 0));
  EXPECT_FALSE(LoadOggSample(nullptr, 0));
  // A WAV is not an Ogg stream.
  const Bytes wav = MakeWav({});
  EXPECT_FALSE(LoadOggSample(wav.data(), wav.size()));

  const Bytes music = ReadFile("Music/nfo.ogg");
  if (music.empty()) GTEST_SKIP() << "Music/nfo.ogg not generated in this build";
  auto sample = LoadOggSample(music.data(), music.size());
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->format, SF_STEREO16LE);
  EXPECT_EQ(sample->hertz, 44100);
  EXPECT_EQ(sample->samples.size(), static_cast<size_t>(sample->length) * 4);
  EXPECT_GE(sample->length, 44100 * 10);
  // A file cut anywhere, even between two whole pages, is refused rather
  // than played as a shorter tune.
  for (size_t cut : {music.size() / 2, music.size() - 1, size_t(4096)}) {
    EXPECT_FALSE(LoadOggSample(music.data(), cut)) << "cut at " << cut;
  }
  // Its pages with every payload byte flipped no longer decode.
  Bytes broken = music;
  for (size_t i = 200; i < broken.size(); i += 1) broken[i] ^= 0x5A;
  EXPECT_FALSE(LoadOggSample(broken.data(), broken.size()));
}

TEST(SoundFiles, MissingOrUndecodableFilesGiveNullAndOneLine) {
  const std::string good = TempPath("good.wav");
  const std::string bad = TempPath("bad.wav");
  WriteFile(good, MakeWav({.channels = 1, .bits = 16, .dataBytes = 40}));
  WriteFile(bad, Bytes{'R', 'I', 'F', 'F', 1, 2, 3});
  struct Case {
    std::string path;
    bool loads;
  } cases[] = {
      {good, true},
      {bad, false},
      {TempPath("missing.wav"), false},
      {std::filesystem::temp_directory_path().string(), false},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    auto sample = LoadAudioSample(c.path);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(static_cast<bool>(sample), c.loads) << c.path;
    if (c.loads) {
      EXPECT_EQ(err, "") << c.path;
    } else {
      EXPECT_NE(err.find("\"" + c.path + "\""), std::string::npos) << err;
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      EXPECT_EQ(err.back(), '\n');
    }
  }
  std::remove(good.c_str());
  std::remove(bad.c_str());
}

// A chain of links that change layout cannot be one sample: the first
// link is played alone, and stderr says so once.
TEST(OggLoader, ChainedLinksOfAnotherLayoutLeaveTheFirstLinkAlone) {
  const Bytes mono = EncodeOgg(1, 22050, 4410, 1);
  const Bytes stereo = EncodeOgg(2, 44100, 8820, 2);
  const Bytes mono2 = EncodeOgg(1, 22050, 2205, 3);
  struct Case {
    const char* name;
    std::vector<const Bytes*> links;
    int format, hertz, frames;
    bool noted;
  } cases[] = {
      {"mono-then-stereo.ogg", {&mono, &stereo}, SF_MONO16LE, 22050, 4410, true},
      {"stereo-then-mono.ogg", {&stereo, &mono}, SF_STEREO16LE, 44100, 8820, true},
      {"mono-then-mono.ogg", {&mono, &mono2}, SF_MONO16LE, 22050, 4410 + 2205, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes chain;
    for (const Bytes* link : c.links) chain.insert(chain.end(), link->begin(), link->end());
    KeepAsFuzzSeed("ogg", c.name, chain);
    std::string err;
    auto sample = LoadFile(c.name, chain, err);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, c.format);
    EXPECT_EQ(sample->hertz, c.hertz);
    EXPECT_EQ(sample->length, c.frames);
    if (c.noted) {
      EXPECT_NE(err.find(c.name), std::string::npos) << err;
      EXPECT_NE(err.find("only the first"), std::string::npos) << err;
      EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    } else {
      EXPECT_EQ(err, "");
    }
  }
}

// One byte changed in any middle page: never a silent sound passed off
// as the music, always one line naming the file.
TEST(OggLoader, DamagedMiddlePageGivesNoSoundAndOneLine) {
  const Bytes good = EncodeOgg(2, 44100, 22050, 7);
  const std::vector<size_t> pages = PageOffsets(good);
  ASSERT_GE(pages.size(), 6u);
  for (size_t p = 2; p + 1 < pages.size(); ++p) {
    for (size_t at : {pages[p] + 30, pages[p] + 5, (pages[p] + pages[p + 1]) / 2}) {
      SCOPED_TRACE("page " + std::to_string(p) + ", byte " + std::to_string(at));
      Bytes damaged = good;
      damaged[at] ^= 0x21;
      if (p == pages.size() / 2 && at == pages[p] + 30) KeepAsFuzzSeed("ogg", "damaged-page.ogg", damaged);
      std::string err;
      auto sample = LoadFile("damaged.ogg", damaged, err);
      if (sample) {
        // A decoder may step over the page; then what is left must be sound.
        EXPECT_GT(sample->length, 0);
        EXPECT_EQ(err, "");
      } else {
        EXPECT_NE(err.find("damaged.ogg"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
      }
    }
  }
}

// Each refusal names its real reason in one line.
TEST(SoundFiles, RefusalsNameTheirReason) {
  Bytes streamed = MakeWav({.channels = 2, .bits = 16, .dataBytes = 64, .statedData = 0x7ffff000u});
  std::memcpy(streamed.data() + 4, "\x00\xf0\xff\x7f", 4);
  Bytes skipped = MakeWav({.channels = 1, .bits = 16, .junkBeforeData = true, .dataBytes = 8});
  std::memcpy(skipped.data() + 40, "\xff\xff\xff\x7f", 4);
  Bytes noData = MakeWav({.channels = 1, .bits = 16, .dataBytes = 8});
  noData.resize(36);
  const Bytes ogg = EncodeOgg(1, 22050, 2205, 9);
  Bytes ended(ogg.begin(), ogg.begin() + PageOffsets(ogg).back());
  struct Case {
    const char* name;
    Bytes bytes;
    const char* reason;
  } cases[] = {
      {"streamed.wav", streamed, "truncated data: the data chunk states 2147479552 bytes but 64 follow (a WAV streamed"},
      {"float.wav", MakeWav({.tag = 3, .channels = 1, .bits = 32}), "unsupported format tag 3"},
      {"24-bit.wav", MakeWav({.channels = 2, .bits = 24}), "24-bit samples in 2 channels"},
      {"short-data.wav", MakeWav({.channels = 1, .bits = 16, .dataBytes = 8, .statedData = 100}),
       "truncated data: the data chunk states 100 bytes but 8 follow"},
      {"lying-chunk.wav", skipped, "chunk \"LIST\" states 2147483647 bytes, more than the 21 left in the file"},
      {"no-data.wav", noData, "no data chunk"},
      {"cut.ogg", ended, "truncated: the last Ogg page does not end the stream"},
      {"half-page.ogg", Bytes(ogg.begin(), ogg.begin() + ogg.size() - 10), "truncated: the Ogg page at byte "},
      {"silent.ogg", EncodeOgg(1, 22050, 22050, 10, false), "the stream states 22050 frames but none decode"},
      {"neither.bin", Bytes(64, 'x'), "not a PCM WAV or Ogg Vorbis file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeepAsFuzzSeed(std::strstr(c.name, ".ogg") ? "ogg" : "wav", c.name, c.bytes);
    std::string err;
    EXPECT_FALSE(LoadFile(c.name, c.bytes, err));
    EXPECT_NE(err.find(std::string(c.name) + "\": " + c.reason), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
}

TEST(AudioDrivers, RegistryNamesAndSelection) {
  for (const char* name : {"Null", "SoftAudio", "SoftAudio OpenSound System", "softaudio", "NULL"}) {
    EXPECT_EQ(AudioDriverExists(name), 1) << name;
  }
  EXPECT_EQ(AudioDriverExists("OpenAL"), OpenALLibraryLoaded());
  EXPECT_EQ(AudioDriverExists("openal"), OpenALLibraryLoaded());
  EXPECT_EQ(AudioDriverExists("No Such Driver"), 0);
  EXPECT_EQ(AudioDriverExists(""), 0);
  // Newest first: the built-in silent driver was registered before the rest.
  const auto names = AudioDrivers();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.back(), "Null");

  EXPECT_EQ(SetAudioDriver("softaudio"), 1);
  EXPECT_EQ(CurrentAudioDriver()->Name(), "SoftAudio");
  EXPECT_EQ(SetAudioDriver("No Such Driver"), 0);
  EXPECT_EQ(CurrentAudioDriver()->Name(), "Null");
  EXPECT_EQ(SetAudioDriver("Null"), 1);
  EXPECT_EQ(CurrentAudioDriver()->Name(), "Null");
}

TEST(AudioDrivers, SoftAudioIsChosenWhenNoneWasEverSet) {
  ASSERT_EQ(SetAudioDriver("Null"), 1);
  ResetAudio();
  EXPECT_EQ(CurrentAudioDriver()->Name(), "SoftAudio");
  ResetAudio();
}

TEST(AudioDrivers, SilentDriversAcceptEveryCall) {
  const std::string path = TempPath("silent.wav");
  WriteFile(path, MakeWav({.channels = 2, .bits = 16, .dataBytes = 400}));
  for (const char* driver : {"Null", "SoftAudio", "SoftAudio OpenSound System"}) {
    ASSERT_EQ(SetAudioDriver(driver), 1);
    auto sound = LoadSound(path, SOUND_LOOP);
    ASSERT_TRUE(sound) << driver;
    auto music = AllocChannel();
    ASSERT_TRUE(music) << driver;
    EXPECT_EQ(PlaySound(sound, music), music);
    auto effect = PlaySound(sound);
    ASSERT_TRUE(effect);
    for (const auto& channel : {music, effect}) {
      EXPECT_EQ(channel->SetVolume(0.5f), 0);
      EXPECT_EQ(channel->SetRate(2.0f), 0);
      EXPECT_EQ(channel->SetPan(-1.0f), 0);
      EXPECT_EQ(channel->SetDepth(1.0f), 0);
      EXPECT_EQ(channel->SetPaused(1), 0);
      EXPECT_EQ(channel->Playing(), 0);
      EXPECT_EQ(channel->Stop(), 0);
    }
    // Null sounds and channels: never a null channel back, never a crash.
    EXPECT_TRUE(PlaySound(nullptr));
    EXPECT_EQ(PlaySound(nullptr, music), music);
    EXPECT_TRUE(CueSound(nullptr));
    EXPECT_TRUE(CueSound(sound));
    EXPECT_TRUE(sound->Play(nullptr));
  }
  testing::internal::CaptureStderr();
  EXPECT_FALSE(LoadSound(TempPath("absent.wav")));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("absent.wav"), std::string::npos);
  std::remove(path.c_str());
}
