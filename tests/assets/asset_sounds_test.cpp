// The generated sounds and music as the engine decodes them: formats,
// lengths, no clipping, loops that join without a click, music under the
// effects in loudness.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/sound.h"

namespace {

struct SoundCase {
  const char* path;
  int channels;
  double minSeconds, maxSeconds;
  bool loops;
};

const SoundCase kSounds[] = {
    {"Sounds/engine5.wav", 1, 0.5, 3, true},   {"Sounds/engine3.wav", 1, 0.5, 3, true},
    {"Sounds/skid3.wav", 1, 0.5, 3, true},     {"Sounds/bump.wav", 1, 0.05, 0.5, false},
    {"Sounds/grassbump.wav", 1, 0.05, 0.5, false}, {"Sounds/crash.wav", 1, 0.2, 1.5, false},
    {"Sounds/plok.wav", 1, 0.03, 0.3, false},  {"Sounds/explosion.wav", 1, 1.2, 2.0, false},
    {"Sounds/explosion2.wav", 1, 0.6, 2.0, false}, {"Sounds/exhaust_flash.wav", 1, 0.05, 0.4, false},
    {"Sounds/lap.wav", 1, 0.3, 1.5, false},    {"Sounds/start1.wav", 1, 0.1, 0.8, false},
    {"Sounds/start2.wav", 1, 0.3, 1.5, false}, {"Music/nfo.ogg", 2, 60, 90, true},
    {"Music/mutant.ogg", 2, 60, 90, true},
};

// Frames as signed 16-bit values, channels interleaved.
std::vector<int> pcm(const TAudioSample& s) {
  std::vector<int> v;
  const uint8_t* b = s.samples.data();
  size_t n = size_t(s.length) * (s.format == SF_STEREO16LE ? 2 : 1);
  for (size_t i = 0; i < n; ++i) v.push_back(int16_t(b[2 * i] | b[2 * i + 1] << 8));
  return v;
}

double rms(const std::vector<int>& v) {
  double acc = 0;
  for (int x : v) acc += double(x) * x;
  return v.empty() ? 0 : std::sqrt(acc / v.size()) / 32768.0;
}

}  // namespace

TEST(AssetSounds, EverySoundDecodesUnclippedAndLoopsJoinWithoutAClick) {
  for (const auto& c : kSounds) {
    SCOPED_TRACE(c.path);
    auto s = LoadAudioSample(c.path);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format, c.channels == 2 ? SF_STEREO16LE : SF_MONO16LE);
    EXPECT_EQ(s->hertz, 44100);
    double seconds = double(s->length) / s->hertz;
    EXPECT_GE(seconds, c.minSeconds);
    EXPECT_LE(seconds, c.maxSeconds);
    auto v = pcm(*s);
    int peak = 0;
    for (int x : v) peak = std::max(peak, std::abs(x));
    EXPECT_LT(peak, 32767) << "clipped";
    EXPECT_GT(peak, 3000) << "nearly silent";
    if (!c.loops) continue;
    // Per channel: the jump from the last frame back to the first is no
    // bigger than the biggest jump inside the sound.
    for (int ch = 0; ch < c.channels; ++ch) {
      int inside = 0;
      for (size_t i = ch + c.channels; i < v.size(); i += c.channels)
        inside = std::max(inside, std::abs(v[i] - v[i - c.channels]));
      int across = std::abs(v[ch] - v[v.size() - c.channels + ch]);
      EXPECT_LE(across, inside) << "channel " << ch;
    }
  }
}

// Up to ten engine loops and the start beep play at once: an offset in
// each would add up to a shifted mix with less headroom on one side.
TEST(AssetSounds, NoSoundCarriesAnOffset) {
  for (const auto& c : kSounds) {
    SCOPED_TRACE(c.path);
    auto s = LoadAudioSample(c.path);
    ASSERT_NE(s, nullptr);
    auto v = pcm(*s);
    for (int ch = 0; ch < c.channels; ++ch) {
      double sum = 0;
      size_t n = 0;
      for (size_t i = ch; i < v.size(); i += c.channels, ++n) sum += v[i];
      ASSERT_GT(n, 0u);
      EXPECT_LT(std::fabs(sum / n / 32768.0), 0.002) << "channel " << ch;
    }
  }
}

TEST(AssetSounds, MusicPlaysUnderTheEngineAtTheGameVolumes) {
  // The game plays music at channel volume 0.5 and effects at 0.2.
  auto engine = LoadAudioSample("Sounds/engine5.wav");
  ASSERT_NE(engine, nullptr);
  double effects = rms(pcm(*engine)) * 0.2;
  for (const char* path : {"Music/nfo.ogg", "Music/mutant.ogg"}) {
    SCOPED_TRACE(path);
    auto music = LoadAudioSample(path);
    ASSERT_NE(music, nullptr);
    EXPECT_LT(rms(pcm(*music)) * 0.5, effects);
  }
}
