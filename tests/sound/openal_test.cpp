// The OpenAL driver against a real OpenAL Soft: each test plays in a
// forked child on the wave-file device (or the null device), and the parent
// listens to what was written.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "engine/audio_openal.h"
#include "engine/clock.h"
#include "engine/sound.h"

namespace {
constexpr int RATE = 22050;

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("velmora-" + std::to_string(getpid()) + "-" + name)).string();
}

// A 16-bit mono WAV of tones: each part is (frequency, milliseconds).
std::string WriteTones(const std::string& name, std::vector<std::pair<double, int>> parts) {
  std::vector<int16_t> pcm;
  for (auto [hz, ms] : parts) {
    const int n = RATE * ms / 1000;
    for (int i = 0; i < n; ++i) pcm.push_back(static_cast<int16_t>(16384 * std::sin(2 * M_PI * hz * i / RATE)));
  }
  auto put32 = [](std::ofstream& f, uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [](std::ofstream& f, uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
  const std::string path = TempPath(name);
  std::ofstream f(path, std::ios::binary);
  f.write("RIFF", 4);
  put32(f, 36 + pcm.size() * 2);
  f.write("WAVEfmt ", 8);
  put32(f, 16);
  put16(f, 1);
  put16(f, 1);
  put32(f, RATE);
  put32(f, RATE * 2);
  put16(f, 2);
  put16(f, 16);
  f.write("data", 4);
  put32(f, pcm.size() * 2);
  f.write(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
  return path;
}

// Runs the scene in a child process on OpenAL Soft with the given backend
// and returns the child's exit code (0: every check inside it held).
int RunChild(const std::string& drivers, const std::string& waveFile, const std::function<int()>& scene,
             const std::string& errFile = "") {
  const pid_t pid = fork();
  if (pid == 0) {
    if (!errFile.empty() && !std::freopen(errFile.c_str(), "w", stderr)) _exit(98);
    const std::string conf = TempPath("alsoft.conf");
    std::ofstream(conf) << "[general]\nchannels=mono\nsample-type=int16\nfrequency=22050\n[wave]\nfile=" << waveFile
                        << "\n";
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", drivers.c_str(), 1);
    int code = scene();
    // Closing the device completes the wave file's header.
    ShutdownAudio();
    std::remove(conf.c_str());
    std::fflush(stderr);
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int StartOpenAL() {
  if (!EnableOpenAL()) return 90;
  if (!SetAudioDriver("OpenAL")) return 91;
  return CurrentAudioDriver()->Name() == "OpenAL" ? 0 : 92;
}

// What the wave-file device wrote, as 16-bit mono samples; while it is
// still writing, the data chunk's length is not filled in yet and all
// that follows its header is taken.
std::vector<int16_t> ReadCapture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> pcm;
  for (size_t i = 12; i + 8 <= bytes.size();) {
    uint32_t length;
    std::memcpy(&length, &bytes[i + 4], 4);
    if (std::memcmp(&bytes[i], "data", 4) == 0) {
      const size_t written = bytes.size() - i - 8;
      const size_t n = (length == 0 || length == 0xFFFFFFFFu ? written : std::min<size_t>(length, written)) / 2;
      pcm.resize(n);
      std::memcpy(pcm.data(), &bytes[i + 8], n * 2);
      break;
    }
    i += 8 + length;
  }
  return pcm;
}

// A stretch of sound between silences, in samples of the capture.
struct SoundRun {
  size_t begin;
  size_t end;
  double Ms() const { return (end - begin) * 1000.0 / RATE; }
};

std::vector<SoundRun> SoundRuns(const std::vector<int16_t>& pcm) {
  constexpr size_t FRAME = RATE / 100;  // 10 ms
  std::vector<SoundRun> runs;
  bool inRun = false;
  for (size_t f = 0; f + FRAME <= pcm.size(); f += FRAME) {
    int peak = 0;
    for (size_t i = f; i < f + FRAME; ++i) peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
    const bool loud = peak > 1500;
    if (loud && !inRun) runs.push_back({f, f + FRAME});
    if (loud) runs.back().end = f + FRAME;
    inRun = loud;
  }
  return runs;
}

// Frequency by upward zero crossings over [fromMs, toMs) of a run.
double Frequency(const std::vector<int16_t>& pcm, const SoundRun& run, double fromMs, double toMs) {
  const size_t a = run.begin + static_cast<size_t>(fromMs * RATE / 1000);
  const size_t b = std::min(run.end, run.begin + static_cast<size_t>(toMs * RATE / 1000));
  int crossings = 0;
  for (size_t i = a + 1; i < b; ++i) crossings += pcm[i - 1] < 0 && pcm[i] >= 0;
  return crossings * RATE / static_cast<double>(b - a);
}

// Loudest sample over [fromMs, toMs) of a run.
int Peak(const std::vector<int16_t>& pcm, const SoundRun& run, double fromMs, double toMs) {
  const size_t a = run.begin + static_cast<size_t>(fromMs * RATE / 1000);
  const size_t b = std::min(run.end, run.begin + static_cast<size_t>(toMs * RATE / 1000));
  int peak = 0;
  for (size_t i = a; i < b; ++i) peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
  return peak;
}

class OpenALCapture : public testing::Test {
protected:
  void TearDown() override {
    for (const auto& path : fFiles) std::remove(path.c_str());
  }
  std::string Tones(const std::string& name, std::vector<std::pair<double, int>> parts) {
    fFiles.push_back(WriteTones(name, std::move(parts)));
    return fFiles.back();
  }
  // Plays the scene on the wave-file device; the runs of sound it made.
  std::vector<SoundRun> Capture(const std::function<int()>& scene) {
    const std::string wave = TempPath("capture.wav");
    fFiles.push_back(wave);
    fWave = wave;
    const int code = RunChild("wave", wave, [&] { return StartOpenAL() ? 99 : scene(); });
    EXPECT_EQ(code, 0) << "a check inside the playing process failed";
    fPcm = ReadCapture(wave);
    return SoundRuns(fPcm);
  }
  // Inside a scene: until what the device has written so far ends in
  // `ms` of quiet (quiet as SoundRuns counts it).
  bool WaitForQuietInCapture(int ms, int deadline) {
    const size_t QUIET = static_cast<size_t>(RATE) * ms / 1000;
    for (;;) {
      const std::vector<int16_t> pcm = ReadCapture(fWave);
      if (pcm.size() >= QUIET && std::all_of(pcm.end() - QUIET, pcm.end(), [](int16_t v) { return std::abs(v) <= 1500; }))
        return true;
      if (MilliSecs() - deadline > 0) return false;
      Delay(10);
    }
  }
  // A looping 441 Hz tone played for 400 ms, paused for 300 ms while
  // `change` is made to its channel, then resumed for 400 ms.
  std::vector<SoundRun> ToneAroundAPausedChange(const std::function<void(TChannel&)>& change) {
    const std::string tone = Tones("tone.wav", {{441, 1000}});
    return Capture([&] {
      auto sound = LoadSound(tone, SOUND_LOOP);
      auto channel = AllocChannel();
      PlaySound(sound, channel);
      Delay(400);
      channel->SetPaused(1);
      Delay(300);
      change(*channel);
      channel->SetPaused(0);
      Delay(400);
      channel->Stop();
      return 0;
    });
  }
  std::vector<std::string> fFiles;
  std::vector<int16_t> fPcm;
  std::string fWave;  // the capture being written
};
}  // namespace

TEST_F(OpenALCapture, RateTwoPlaysAnOctaveUp) {
  auto runs = ToneAroundAPausedChange([](TChannel& channel) { channel.SetRate(2); });
  ASSERT_EQ(runs.size(), 2u);
  const double low = Frequency(fPcm, runs[0], 50, 350);
  const double high = Frequency(fPcm, runs[1], 50, 350);
  EXPECT_NEAR(low, 441, 15);
  EXPECT_NEAR(high / low, 2.0, 0.06);
}

TEST_F(OpenALCapture, HalfVolumeHalvesTheAmplitude) {
  auto runs = ToneAroundAPausedChange([](TChannel& channel) { channel.SetVolume(0.5f); });
  ASSERT_EQ(runs.size(), 2u);
  // OpenAL Soft applies a change made while paused a mixer update or two
  // after resuming: judge the settled part.
  const int full = Peak(fPcm, runs[0], 50, 350);
  EXPECT_NEAR(full, 16384, 800);
  EXPECT_NEAR(Peak(fPcm, runs[1], 200, 350) / static_cast<double>(full), 0.5, 0.03);
}

TEST_F(OpenALCapture, PauseSilencesUntilResumed) {
  const std::string tone = Tones("tone.wav", {{441, 1000}});
  auto runs = Capture([&] {
    auto sound = LoadSound(tone, SOUND_LOOP);
    auto channel = AllocChannel();
    PlaySound(sound, channel);
    Delay(300);
    channel->SetPaused(1);
    channel->SetPaused(1);
    if (channel->Playing()) return 1;
    Delay(600);
    if (channel->Playing()) return 2;
    channel->SetPaused(0);
    if (!channel->Playing()) return 3;
    Delay(300);
    return 0;
  });
  ASSERT_EQ(runs.size(), 2u);
  // Generous bounds: a loaded machine may stretch the sleeps in between.
  EXPECT_LT(runs[0].Ms(), 450);
  EXPECT_GE((runs[1].begin - runs[0].end) * 1000.0 / RATE, 500);
  EXPECT_GE(runs[1].Ms(), 250);
}

TEST_F(OpenALCapture, PlayingAPausedMusicChannelAgainStartsFromTheBeginning) {
  // A low opening, then a high body: what follows PlaySound shows where it starts.
  const std::string track = Tones("track.wav", {{294, 150}, {882, 850}});
  auto runs = Capture([&] {
    auto music = AllocChannel();
    auto track1 = LoadSound(track, SOUND_LOOP);
    PlaySound(track1, music);
    Delay(500);
    music->SetPaused(1);
    Delay(300);
    PlaySound(track1, music);
    Delay(250);
    // Un-pausing a playing channel leaves it where it is.
    music->SetPaused(0);
    Delay(250);
    return 0;
  });
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NEAR(Frequency(fPcm, runs[0], 20, 120), 294, 15);
  EXPECT_NEAR(Frequency(fPcm, runs[0], 250, 450), 882, 20);
  EXPECT_NEAR(Frequency(fPcm, runs[1], 20, 120), 294, 15);
  EXPECT_NEAR(Frequency(fPcm, runs[1], 300, 450), 882, 20);
}

TEST_F(OpenALCapture, TemporarySourceIsReusedOnceItsSoundEnds) {
  const std::string blip = Tones("blip.wav", {{441, 150}});
  const std::string beep = Tones("beep.wav", {{882, 300}});
  auto runs = Capture([&] {
    auto first = PlaySound(LoadSound(blip, 0));
    Delay(400);
    if (first->Playing()) return 1;
    auto second = PlaySound(LoadSound(beep, 0));
    auto a = std::dynamic_pointer_cast<TOpenALChannel>(first);
    auto b = std::dynamic_pointer_cast<TOpenALChannel>(second);
    if (!a || !b || a->_source != b->_source) return 2;
    // The old channel object no longer reaches the source.
    if (first->SetVolume(0.0f) || first->SetRate(3.0f) || first->Stop() || first->Playing()) return 3;
    if (!second->Playing()) return 4;
    Delay(500);
    return 0;
  });
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_NEAR(runs[0].Ms(), 150, 30);
  EXPECT_NEAR(runs[1].Ms(), 300, 30);
  EXPECT_NEAR(Frequency(fPcm, runs[1], 20, 280), 882, 20);
  EXPECT_NEAR(Peak(fPcm, runs[1], 20, 280), Peak(fPcm, runs[0], 20, 130), 1000);
}

// The amplitude of one frequency's part of the mix, window by window. A
// window holds whole cycles of 441 Hz and of 882 Hz, so each of these two
// is measured deaf to the other.
std::vector<double> ToneLevels(const std::vector<int16_t>& pcm, const SoundRun& run, double hz) {
  constexpr size_t window = RATE / 441 * 10;
  std::vector<double> levels;
  for (size_t a = run.begin; a + window <= run.end; a += window) {
    double re = 0, im = 0;
    for (size_t i = 0; i < window; ++i) {
      re += pcm[a + i] * std::cos(2 * M_PI * hz * i / RATE);
      im += pcm[a + i] * std::sin(2 * M_PI * hz * i / RATE);
    }
    levels.push_back(2 * std::hypot(re, im) / window);
  }
  return levels;
}

// An effect started over a steady engine, as the game starts its effects
// (on a fresh channel, then turned to their volume). A quiet one, like a
// bump, a lap or a beep in an ordinary race, leaves the engine's level
// alone; a loud one makes room for itself, under -1 dBFS.
struct EffectOverTone {
  const char* name;
  float volume;
  double maxDipDb;  // how far the steady tone may be turned down meanwhile
};

void PrintTo(const EffectOverTone& effect, std::ostream* out) { *out << effect.name; }

class OpenALEffectOverTone : public OpenALCapture, public testing::WithParamInterface<EffectOverTone> {};

TEST_P(OpenALEffectOverTone, KeepsTheToneLevelUnlessItNeedsTheRoom) {
  const std::string tone = Tones("steady.wav", {{441, 1000}});
  const std::string effect = Tones("effect.wav", {{882, 300}});
  auto runs = Capture([&] {
    auto steady = AllocChannel();
    PlaySound(LoadSound(tone, SOUND_LOOP), steady);
    auto bump = LoadSound(effect, 0);
    // Long enough that the driver looks afresh at what is still sounding.
    Delay(500);
    PlaySoundAtVolume(bump, GetParam().volume);
    Delay(600);
    steady->Stop();
    return 0;
  });
  ASSERT_EQ(runs.size(), 1u);
  const SoundRun& run = runs.front();
  ASSERT_GT(run.Ms(), 900);
  // From 100 ms in (past the start) to 50 ms before the end.
  const SoundRun settled{run.begin + RATE / 10, run.end - RATE / 20};
  const auto tone441 = ToneLevels(fPcm, settled, 441);
  const auto effect882 = ToneLevels(fPcm, settled, 882);
  ASSERT_EQ(tone441.size(), effect882.size());
  const auto [low, high] = std::minmax_element(tone441.begin(), tone441.end());
  EXPECT_NEAR(*high, 16384, 800);
  EXPECT_LT(20 * std::log10(*high / *low), GetParam().maxDipDb) << "the tone dips from " << *high << " to " << *low;
  // The effect was heard at its own volume beside the tone: the middle of
  // its windows, since where the mix is turned down OpenAL Soft fades the
  // playing tone to its new gain over one update while the new voice
  // starts there at once (which window that falls in depends on timing).
  const double loudest = *std::max_element(effect882.begin(), effect882.end());
  std::vector<double> ratios;
  for (size_t i = 0; i < effect882.size(); ++i) {
    if (effect882[i] >= 0.9 * loudest) ratios.push_back(effect882[i] / tone441[i]);
  }
  std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
  EXPECT_NEAR(ratios[ratios.size() / 2], GetParam().volume, 0.02);
  const int peak = Peak(fPcm, run, 0, run.Ms());
  EXPECT_LT(peak, static_cast<int>(0.891 * 32768)) << "the mix reaches " << peak / 32768.0;
}

INSTANTIATE_TEST_SUITE_P(Race, OpenALEffectOverTone,
                         testing::Values(EffectOverTone{"QuietBump", 0.1f, 0.5},
                                         // Room for it: 0.5 + 0.5 turned down to the 0.8 budget is 1.9 dB.
                                         EffectOverTone{"FullVolumeEffect", 1.0f, 2.5}),
                         [](const testing::TestParamInfo<EffectOverTone>& info) { return std::string(info.param.name); });

// The busiest moments of a race as the game plays them: ten engine loops
// started together; through the count-down only the player's two are
// heard, the grid idling at each car's own rate; at the go every opponent
// comes in at full engine volume and each car revs up at its own pace. At
// that moment comes the go beep, or a wrecked car's chain of explosions
// beside the grid. The driver turns the mix down while it is that
// crowded, and back up once it is not.
struct CrowdedMoment {
  const char* name;
  // What starts at the go, beside the eight opponents' engines coming in;
  // the channels it plays on.
  std::function<std::vector<std::shared_ptr<TChannel>>(const std::shared_ptr<TSound>& go,
                                                       const std::shared_ptr<TSound>& explosion)>
      start;
};

void PrintTo(const CrowdedMoment& moment, std::ostream* out) { *out << moment.name; }

class OpenALCrowd : public OpenALCapture, public testing::WithParamInterface<CrowdedMoment> {};

TEST_P(OpenALCrowd, StaysUnderMinusOneDbfsAndTheLevelComesBack) {
  if (!std::filesystem::exists("Sounds/engine3.wav")) GTEST_SKIP() << "game sounds not generated in this build";
  const std::string tone = Tones("solo.wav", {{441, 400}});
  // Sound rate modifiers and accelerations; the player's two engines share theirs.
  const float modifiers[10] = {1.0f, 1.0f, 0.74f, 1.13f, 0.92f, 1.05f, 0.81f, 1.19f, 0.97f, 0.86f};
  const float revs[10] = {2.4f, 2.4f, 1.3f, 2.9f, 1.8f, 2.2f, 1.1f, 2.6f, 1.6f, 2.0f};
  auto runs = Capture([&] {
    auto engine3 = LoadSound("Sounds/engine3.wav", SOUND_LOOP);
    auto engine5 = LoadSound("Sounds/engine5.wav", SOUND_LOOP);
    auto go = LoadSound("Sounds/start2.wav", 0);
    auto explosion = LoadSound("Sounds/explosion.wav", 0);
    auto solo = LoadSound(tone, 0);
    if (!engine3 || !engine5 || !go || !explosion || !solo) return 1;
    std::vector<std::shared_ptr<TChannel>> engines;
    for (int i = 0; i < 10; ++i) {
      engines.push_back(AllocChannel());
      PlaySound(i ? engine3 : engine5, engines.back());
      engines.back()->SetVolume(i < 2 ? 0.2f : 0.0f);
    }
    // The game sets its engines' rates every tick: 2 s of count-down, 2 s of start.
    std::vector<std::shared_ptr<TChannel>> started;
    for (int t = 0; t < 400; ++t) {
      if (t == 200) {
        started = GetParam().start(go, explosion);
        for (int i = 2; i < 10; ++i) engines[i]->SetVolume(0.2f);
      }
      for (int i = 0; i < 10; ++i) {
        const float seconds = t < 200 ? 0.0f : (t - 200) / 100.0f;
        engines[i]->SetRate(0.8f * modifiers[i] * (1 + revs[i] * seconds));
      }
      Delay(10);
    }
    for (auto& e : engines) e->Stop();
    // Until the last of what started at the go has played out and the
    // capture shows 300 ms of quiet after it: the lone voice is then a run
    // of its own, and the mix has had the time it takes to come back up
    // by its 1 dB steps of 25 ms.
    const int deadline = MilliSecs() + 20000;
    auto sounding = [&] {
      return std::any_of(started.begin(), started.end(), [](const auto& c) { return c && c->Playing(); });
    };
    while (sounding()) {
      if (MilliSecs() - deadline > 0) return 2;
      Delay(10);
    }
    if (!WaitForQuietInCapture(300, deadline)) return 3;
    PlaySound(solo, nullptr);
    Delay(600);
    return 0;
  });
  ASSERT_GE(runs.size(), 2u);
  const SoundRun& crowd = runs.front();
  const SoundRun& solo = runs.back();
  EXPECT_GT(crowd.Ms(), 3500);
  int loudest = 0;
  for (size_t i = 0; i + 1 < runs.size(); ++i) loudest = std::max(loudest, Peak(fPcm, runs[i], 0, runs[i].Ms()));
  std::printf("%s: captured peak %.4f\n", GetParam().name, loudest / 32768.0);
  EXPECT_LT(loudest, static_cast<int>(0.891 * 32768)) << "the crowd reaches " << loudest / 32768.0;
  EXPECT_GT(loudest, static_cast<int>(0.3 * 32768)) << "the crowd was turned down to nearly nothing";
  // A lone voice afterwards plays at its own level again.
  EXPECT_NEAR(Peak(fPcm, solo, 50, 350), 16384, 800);
}

INSTANTIATE_TEST_SUITE_P(
    RaceStart, OpenALCrowd,
    testing::Values(
        CrowdedMoment{"GoBeep",
                      [](const std::shared_ptr<TSound>& go, const std::shared_ptr<TSound>&) {
                        return std::vector<std::shared_ptr<TChannel>>{PlaySoundAtVolume(go, 0.2f)};
                      }},
        // Five explosions a road line or so apart beside the grid, at the
        // volumes and rates the game gives them there, started within 100 ms.
        CrowdedMoment{"ChainOfExplosions",
                      [](const std::shared_ptr<TSound>&, const std::shared_ptr<TSound>& explosion) {
                        const float volumes[5] = {0.2f, 0.197f, 0.193f, 0.19f, 0.186f};
                        const float rates[5] = {1.02f, 0.96f, 1.04f, 0.99f, 0.97f};
                        std::vector<std::shared_ptr<TChannel>> channels;
                        for (int i = 0; i < 5; ++i) {
                          if (i) Delay(22);
                          channels.push_back(PlaySoundAtVolume(explosion, volumes[i]));
                          channels.back()->SetRate(rates[i]);
                        }
                        return channels;
                      }}),
    [](const testing::TestParamInfo<CrowdedMoment>& info) { return std::string(info.param.name); });

TEST(OpenALDevices, NullDeviceRunsTheWholeChannelModelSilently) {
  const std::string loopPath = WriteTones("loop.wav", {{441, 200}});
  const std::string blipPath = WriteTones("blip.wav", {{441, 100}});
  const int code = RunChild("null", "", [&] {
    if (int failed = StartOpenAL()) return failed;
    if (!AudioDriverExists("openal default") || AudioDrivers().front() != "OpenAL Default") return 10;
    auto loop = LoadSound(loopPath, SOUND_LOOP);
    auto blip = LoadSound(blipPath, 0);
    if (!std::dynamic_pointer_cast<TOpenALSound>(loop)) return 11;
    // A looping throw-away channel keeps its source; the next takes another.
    auto looping = std::dynamic_pointer_cast<TOpenALChannel>(PlaySound(loop));
    auto other = std::dynamic_pointer_cast<TOpenALChannel>(PlaySound(blip));
    if (!looping || !other || looping->_source == other->_source) return 12;
    Delay(300);
    if (!looping->Playing() || other->Playing()) return 13;
    // A stopped static channel is dead for good.
    auto music = AllocChannel();
    PlaySound(loop, music);
    if (!music->Playing()) return 14;
    auto musicSource = std::dynamic_pointer_cast<TOpenALChannel>(music)->_source;
    if (music->Stop() != 1 || music->Playing()) return 15;
    PlaySound(loop, music);
    if (music->Playing() || music->SetVolume(1) != 0) return 16;
    // Its source went back to the pool and is taken first.
    auto next = std::dynamic_pointer_cast<TOpenALChannel>(AllocChannel());
    if (next->_source != musicSource) return 17;
    // Dropping a static channel frees its source at once.
    next.reset();
    auto again = std::dynamic_pointer_cast<TOpenALChannel>(PlaySound(blip));
    if (again->_source != musicSource) return 18;
    // A cued throw-away channel dropped unplayed does not hold its source.
    Delay(200);
    auto cued = std::dynamic_pointer_cast<TOpenALChannel>(CueSound(blip));
    auto cuedSource = cued->_source;
    if (cued->Playing()) return 19;
    cued.reset();
    if (std::dynamic_pointer_cast<TOpenALChannel>(PlaySound(blip))->_source != cuedSource) return 20;
    // Switching drivers leaves old objects quiet.
    SetAudioDriver("Null");
    if (looping->Playing() || looping->SetVolume(0.5f) || PlaySound(loop)->Playing()) return 21;
    return 0;
  });
  std::remove(loopPath.c_str());
  std::remove(blipPath.c_str());
  EXPECT_EQ(code, 0);
}

TEST(OpenALDevices, NoDeviceLeavesTheNullDriverCurrentAndSaysSoOnce) {
  const std::string tone = WriteTones("tone.wav", {{441, 100}});
  const std::string err = TempPath("stderr.txt");
  const int code = RunChild("wave", "/nonexistent-dir/velmora/out.wav", [&] {
    if (!EnableOpenAL()) return 90;
    if (SetAudioDriver("OpenAL") != 0) return 1;
    if (CurrentAudioDriver()->Name() != "Null") return 2;
    auto channel = PlaySound(LoadSound(tone, 0));
    if (!channel || channel->Playing() || channel->SetRate(2) != 0) return 3;
    return 0;
  }, err);
  std::ifstream in(err);
  const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(tone.c_str());
  std::remove(err.c_str());
  EXPECT_EQ(code, 0);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_NE(said.find("\"OpenAL\""), std::string::npos) << said;
}
