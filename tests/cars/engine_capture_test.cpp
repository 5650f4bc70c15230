// The player's engine heard through a real OpenAL Soft writing what it
// mixes to a wave file: at top speed it must sound clearly higher than at rest.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "cars/TCar.h"
#include "engine/clock.h"
#include "engine/sound.h"
#include "world/TEntity.h"

namespace {

constexpr int RATE = 22050;

std::string tempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("velmora-cars-" + std::to_string(getpid()) + "-" + name))
      .string();
}

// The wave file's samples (16-bit mono, as the configuration asks).
std::vector<int16_t> readCapture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t i = 12; i + 8 <= bytes.size();) {
    uint32_t length;
    std::memcpy(&length, &bytes[i + 4], 4);
    if (std::memcmp(&bytes[i], "data", 4) == 0) {
      std::vector<int16_t> pcm(std::min<size_t>(length, bytes.size() - i - 8) / 2);
      std::memcpy(pcm.data(), &bytes[i + 8], pcm.size() * 2);
      return pcm;
    }
    i += 8 + length;
  }
  return {};
}

// Stretches of sound between silences, as [begin, end) sample indices.
std::vector<std::pair<size_t, size_t>> soundRuns(const std::vector<int16_t>& pcm) {
  constexpr size_t FRAME = RATE / 100;
  std::vector<std::pair<size_t, size_t>> runs;
  bool inRun = false;
  for (size_t f = 0; f + FRAME <= pcm.size(); f += FRAME) {
    int peak = 0;
    for (size_t i = f; i < f + FRAME; i++) peak = std::max(peak, std::abs(int(pcm[i])));
    bool loud = peak > 100;
    if (loud && !inRun) runs.push_back({f, f + FRAME});
    if (loud) runs.back().second = f + FRAME;
    inRun = loud;
  }
  return runs;
}

// Crossings of the mean per second: rises in proportion to the playback rate.
double crossingRate(const std::vector<int16_t>& pcm, size_t a, size_t b) {
  double mean = 0;
  for (size_t i = a; i < b; i++) mean += pcm[i];
  mean /= double(b - a);
  int crossings = 0;
  for (size_t i = a + 1; i < b; i++) crossings += (pcm[i - 1] < mean) != (pcm[i] < mean);
  return crossings * double(RATE) / double(b - a);
}

}  // namespace

TEST(CarEngineCapture, TopSpeedSoundsHigherThanRest) {
  if (!std::filesystem::exists("Sounds/engine5.wav")) GTEST_SKIP() << "no generated Sounds/";
  const std::string wave = tempPath("engine.wav");
  const std::string conf = tempPath("alsoft.conf");
  std::ofstream(conf) << "[general]\nchannels=mono\nsample-type=int16\nfrequency=22050\n"
                      << "[wave]\nfile=" << wave << "\n";

  pid_t pid = fork();
  if (pid == 0) {
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    setenv("ALSOFT_LOGLEVEL", "0", 1);
    if (!EnableOpenAL() || !SetAudioDriver("OpenAL")) _exit(90);
    TCar::loadSounds();
    auto car = TCar::Create(TCar::PLAYER_Z, 0, 1, TCar::PLAYER_CAR_COLOR_RED);
    car->fSpeed = 0;
    car->updateEngineSound();
    Delay(500);
    // A gap of silence separates the two speeds in the recording.
    car->fChnEngine1->SetPaused(1);
    car->fChnEngine2->SetPaused(1);
    Delay(300);
    car->fSpeed = car->fTopSpeed;
    car->updateEngineSound();
    car->fChnEngine1->SetPaused(0);
    car->fChnEngine2->SetPaused(0);
    Delay(500);
    car->clear();
    TEntity::removeAll();
    car.reset();
    ShutdownAudio();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  std::remove(conf.c_str());
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (code == 90) {
    std::remove(wave.c_str());
    GTEST_SKIP() << "OpenAL Soft is not available";
  }
  ASSERT_EQ(code, 0);
  auto pcm = readCapture(wave);
  std::remove(wave.c_str());
  auto runs = soundRuns(pcm);
  ASSERT_EQ(runs.size(), 2u) << "expected the engine at rest, a pause, then top speed";
  const size_t settle = RATE / 10;
  const size_t span = RATE * 3 / 10;
  ASSERT_GE(runs[0].second - runs[0].first, settle + span);
  ASSERT_GE(runs[1].second - runs[1].first, settle + span);
  double rest = crossingRate(pcm, runs[0].first + settle, runs[0].first + settle + span);
  double top = crossingRate(pcm, runs[1].first + settle, runs[1].first + settle + span);
  // The rate goes from 0.8 to 6.8; allow for the mixer's smoothing of highs.
  EXPECT_GT(top, 3 * rest) << "rest " << rest << " /s, top " << top << " /s";
}
