// Start-up cost of the game's audio: decoding both music files and every
// sound with the engine's loaders, and the memory the decoded samples take.
// Run from the build directory.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/sound.h"

int main() {
  const std::vector<std::string> files = {
      "Music/nfo.ogg",        "Music/mutant.ogg",     "Sounds/engine5.wav",   "Sounds/engine3.wav",
      "Sounds/skid3.wav",     "Sounds/bump.wav",      "Sounds/grassbump.wav", "Sounds/crash.wav",
      "Sounds/plok.wav",      "Sounds/explosion.wav", "Sounds/explosion2.wav", "Sounds/exhaust_flash.wav",
      "Sounds/lap.wav",       "Sounds/start1.wav",    "Sounds/start2.wav"};
  using Clock = std::chrono::steady_clock;
  std::vector<double> totals, music, cpu;
  size_t bytes = 0, musicBytes = 0;
  for (int run = 0; run < 5; ++run) {
    double t = 0, tm = 0;
    std::clock_t c0 = std::clock();
    bytes = musicBytes = 0;
    for (auto& f : files) {
      auto start = Clock::now();
      auto s = LoadAudioSample(f);
      double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (!s) {
        std::fprintf(stderr, "bench_decode_assets: cannot decode %s (run from the build directory)\n", f.c_str());
        return 1;
      }
      t += ms;
      bytes += s->samples.size();
      if (f.rfind("Music/", 0) == 0) tm += ms, musicBytes += s->samples.size();
    }
    // Processor time as well: on a busy machine the wall clock overstates.
    cpu.push_back(1000.0 * double(std::clock() - c0) / CLOCKS_PER_SEC);
    totals.push_back(t);
    music.push_back(tm);
  }
  std::sort(totals.begin(), totals.end());
  std::sort(music.begin(), music.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("decode_assets: music %.1f ms, music + all sounds %.1f ms (median of 5; target < 250 ms)\n", music[2],
              totals[2]);
  std::printf("decode_assets: processor time for all of it %.1f ms (median of 5)\n", cpu[2]);
  std::printf("decode_assets: decoded size %.1f MiB (music %.1f MiB, sounds %.2f MiB)\n", bytes / 1048576.0,
              musicBytes / 1048576.0, (bytes - musicBytes) / 1048576.0);
  return 0;
}
