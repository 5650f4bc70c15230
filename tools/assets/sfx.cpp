// Sound effects: the engine and skid loops (seamless, whole numbers of
// cycles in one second) and the one-shot knocks, crashes, pops and tones.
#include <algorithm>
#include <cmath>

#include "assets.h"
#include "rng.h"
#include "synth.h"

static const float EFFECT_PEAK = 0.89f;  // about -1 dBFS: effects are the loud layer
static const float FILE_PEAK_MAX = 0.95f;  // where taking an offset off raised a peak

// Scales to `peak` as measured with the offset still in, then takes the
// offset off: the loudness stays what the sound was designed at, and only
// a peak that the shift pushed past FILE_PEAK_MAX is held back.
template <typename RemoveMean>
static void levelWithoutOffset(std::vector<float>& s, float peak, RemoveMean removeMean) {
  float before = peakOf(s);
  if (before <= 0) return;
  float gain = peak / before;
  removeMean(s);
  gain = std::min(gain, FILE_PEAK_MAX / peakOf(s));
  for (float& v : s) v *= gain;
}

static std::vector<float> silence(double seconds) { return std::vector<float>(size_t(seconds * RATE), 0.0f); }

// Every partial has a whole number of cycles in the one-second loop, so the
// last sample runs straight into the first.
static Sound engine(const std::string& name, bool growl) {
  std::vector<float> s = silence(1.0);
  Rng rng(growl ? 101 : 102);
  std::vector<float> noise(s.size());
  for (auto& n : noise) n = rng.noise();
  SVF nf;
  processLoop(noise, [&](float v) { return nf.process(v, 900, 0.7f); });
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / RATE;
    auto ph = [&](double hz) { return std::fmod(hz * t, 1.0); };
    double dt = 1.0 / RATE;
    // Firing at 44 Hz: rate 0.8 idles near 35 Hz, rate 6.8 screams near 300 Hz.
    float firing = float(0.5 + 0.5 * std::cos(2 * PI * ph(44)));
    float v;
    if (growl) {
      v = 0.45f * sawWave(ph(44), 44 * dt) + 0.35f * sawWave(ph(45), 45 * dt) +
          0.25f * pulseWave(ph(88), 88 * dt, 0.3) + 0.3f * sineWave(ph(22));
    } else {
      // Uneven cylinders: an 11 Hz engine cycle modulating the firing pulses.
      float uneven = float(0.8 + 0.2 * std::sin(2 * PI * ph(11)) + 0.1 * std::sin(2 * PI * ph(33)));
      v = uneven * (0.5f * pulseWave(ph(44), 44 * dt, 0.42) + 0.35f * sawWave(ph(43), 43 * dt)) +
          0.3f * sineWave(ph(22)) + 0.15f * sineWave(ph(11));
    }
    v += (growl ? 0.35f : 0.25f) * noise[i] * firing;
    s[i] = std::tanh(1.8f * v);
  }
  // Two filter stages tame the highs steeply: played seven to ten times
  // faster they would otherwise fold back as fizz above the roar.
  SVF lp1, lp2;
  const float cut = growl ? 2600.0f : 1800.0f;
  processLoop(s, [&](float v) { return lp2.process(lp1.process(v, cut, 0.8f), cut, 0.7f); });
  // The saturation of uneven pulses leaves an offset; ten engines at the
  // start would stack it.
  levelWithoutOffset(s, 0.8f, [](std::vector<float>& v) { removeLoopMean(v); });
  return {name, RATE, 1, s};
}

// A tyre squeal: a wavering tone near 1.3 kHz whose wobble, like its pitch,
// repeats a whole number of times in the loop; plus circularly filtered hiss.
static Sound skid() {
  std::vector<float> s = silence(1.0);
  Rng rng(103);
  std::vector<float> noise(s.size());
  for (auto& n : noise) n = rng.noise();
  SVF bp;
  processLoop(noise, [&](float v) {
    bp.process(v, 2400, 3.0f);
    return bp.band;
  });
  double phase = 0, phase2 = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / RATE;
    // The integral of each wobble over the second is zero: the phase closes.
    double f = 1300 + 60 * std::sin(2 * PI * 6 * t) + 25 * std::sin(2 * PI * 13 * t);
    phase += f / RATE;
    phase2 += (f * 1.5) / RATE;
    float amp = float(0.75 + 0.25 * std::sin(2 * PI * 4 * t));
    s[i] = amp * (0.55f * float(std::sin(2 * PI * phase)) + 0.15f * triangleWave(std::fmod(phase2, 1.0))) + 0.35f * noise[i];
  }
  levelWithoutOffset(s, 0.7f, [](std::vector<float>& v) { removeLoopMean(v); });
  return {"skid3", RATE, 1, s};
}

static Sound finish(const std::string& name, std::vector<float> s, float peak = EFFECT_PEAK) {
  // Short fades at both ends: no click when the sound starts or is cut.
  size_t fade = std::min<size_t>(64, s.size() / 4);
  for (size_t i = 0; i < fade; ++i) s[i] *= float(i) / fade;
  for (size_t i = 0; i < fade * 4 && i < s.size(); ++i) s[s.size() - 1 - i] *= float(i) / (fade * 4);
  levelWithoutOffset(s, peak, removeOneShotMean);
  return {name, RATE, 1, s};
}

// A falling sine thud with a little filtered noise for the impact.
static std::vector<float> thud(double seconds, double f0, double f1, double noiseAmt, float noiseCut, uint64_t seed) {
  std::vector<float> s = silence(seconds);
  Rng rng(seed);
  SVF nf;
  double phase = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / RATE;
    double f = f1 + (f0 - f1) * std::exp(-t * 30);
    phase += f / RATE;
    float env = float(std::exp(-t * 18));
    float n = nf.process(rng.noise(), noiseCut, 0.7f) * float(std::exp(-t * 60));
    s[i] = env * float(std::sin(2 * PI * phase)) + float(noiseAmt) * n;
  }
  return s;
}

static std::vector<float> crash() {
  std::vector<float> s = thud(0.8, 140, 50, 0.9, 3000, 104);
  Rng rng(105);
  // Inharmonic metal partials, each ringing out at its own pace.
  const double partials[] = {347, 529, 811, 1187, 1723, 2311, 3170};
  SVF hp;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / RATE;
    float metal = 0;
    for (int k = 0; k < 7; ++k) metal += float(std::sin(2 * PI * partials[k] * t + k) * std::exp(-t * (6 + 3 * k)));
    hp.process(rng.noise(), 5000, 0.6f);
    float grit = hp.lastHigh * float(std::exp(-t * 9)) * float(0.6 + 0.4 * (rng.uniform() < 0.3));
    s[i] += 0.25f * metal + 0.8f * grit;
  }
  return s;
}

static std::vector<float> plok() {
  std::vector<float> s = silence(0.14);
  double phase = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / RATE;
    phase += (260 + 240 * std::exp(-t * 80)) / RATE;
    // Odd partials make it hollow, like a knock on a box.
    s[i] = float(std::exp(-t * 40)) * float(std::sin(2 * PI * phase) + 0.35 * std::sin(6 * PI * phase));
  }
  return s;
}

// A noise burst whose brightness falls away into a long low rumble.
static std::vector<float> explosion(double seconds, uint64_t seed, double crackle) {
  std::vector<float> s = silence(seconds);
  Rng rng(seed);
  SVF body, rumble;
  float brown = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / RATE;
    float n = rng.noise();
    float cut = float(200 + 5000 * std::exp(-t * 5));
    float b = body.process(n, cut, 0.8f) * float(std::exp(-t * 2.6));
    brown = brown * 0.995f + n * 0.05f;
    float r = rumble.process(brown, 120, 1.2f) * float(std::exp(-t * 1.8)) * 3.0f;
    float pop = rng.uniform() < crackle * std::exp(-t * 3) ? rng.noise() * 1.5f : 0.0f;
    float attack = float(std::min(1.0, t * 200));
    s[i] = attack * (b + r + pop) + float(0.8 * std::sin(2 * PI * 38 * t) * std::exp(-t * 3));
  }
  return s;
}

static std::vector<float> exhaustPop() {
  std::vector<float> s = silence(0.16);
  Rng rng(106);
  SVF bp;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / RATE;
    bp.process(rng.noise(), 900, 2.0f);
    s[i] = float(std::exp(-t * 45)) * (1.6f * bp.band + 0.8f * float(std::sin(2 * PI * 90 * t)));
  }
  return s;
}

// Square-ish tones with a quick attack; notes in Hz with their lengths.
static std::vector<float> tones(const std::vector<std::pair<double, double>>& notes, double gap, double tail) {
  double total = tail;
  for (auto& n : notes) total += n.second + gap;
  std::vector<float> s = silence(total);
  double start = 0;
  for (auto& [hz, len] : notes) {
    for (size_t i = size_t(start * RATE); i < s.size(); ++i) {
      double t = double(i) / RATE - start;
      float env = adsr(t, len, 0.004, 0.05, 0.7, 0.12);
      if (t > len + 0.12) break;
      double ph = std::fmod(hz * t, 1.0);
      s[i] += env * (0.6f * pulseWave(ph, hz / RATE, 0.25) + 0.4f * sineWave(ph));
    }
    start += len + gap;
  }
  // A short echo gives the jingle some room.
  size_t d = size_t(0.09 * RATE);
  for (size_t i = s.size(); i-- > d;) s[i] += 0.35f * s[i - d];
  return s;
}

void makeEngineSounds(std::vector<Sound>& out) {
  out.push_back(engine("engine5", true));
  out.push_back(engine("engine3", false));
  out.push_back(skid());
}

void makeEffectSounds(std::vector<Sound>& out) {
  out.push_back(finish("bump", thud(0.2, 110, 48, 0.5, 1200, 107)));
  out.push_back(finish("grassbump", thud(0.24, 80, 40, 0.7, 500, 108), 0.7f));
  out.push_back(finish("crash", crash()));
  out.push_back(finish("plok", plok(), 0.8f));
  out.push_back(finish("explosion", explosion(1.5, 109, 0.002)));
  out.push_back(finish("explosion2", explosion(1.2, 110, 0.006)));
  out.push_back(finish("exhaust_flash", exhaustPop(), 0.8f));
  out.push_back(finish("lap", tones({{1046.5, 0.07}, {1318.5, 0.07}, {1568.0, 0.07}, {2093.0, 0.22}}, 0.01, 0.35)));
  out.push_back(finish("start1", tones({{880.0, 0.22}}, 0, 0.15), 0.8f));
  out.push_back(finish("start2", tones({{1760.0, 0.65}}, 0, 0.2), 0.85f));
}
