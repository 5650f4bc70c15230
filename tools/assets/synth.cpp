// Oscillators, envelopes and filters.
#include "synth.h"

#include <algorithm>

float polyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return float(t + t - t * t - 1.0);
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return float(t * t + t + t + 1.0);
  }
  return 0.0f;
}

float sawWave(double phase, double dt) { return float(2.0 * phase - 1.0) - polyBlep(phase, dt); }

float pulseWave(double phase, double dt, double width) {
  float v = phase < width ? 1.0f : -1.0f;
  v += polyBlep(phase, dt);
  double p2 = phase - width;
  if (p2 < 0) p2 += 1.0;
  v -= polyBlep(p2, dt);
  return v;
}

float triangleWave(double phase) { return float(phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase); }

float adsr(double t, double gate, double a, double d, double s, double r) {
  auto held = [&](double u) {
    if (u < 0) return 0.0;
    if (u < a) return u / a;
    if (u < a + d) return 1.0 - (1.0 - s) * (u - a) / d;
    return s;
  };
  if (t < gate) return float(held(t));
  double level = held(gate);
  double u = t - gate;
  if (u >= r) return 0.0f;
  return float(level * (1.0 - u / r));
}

float SVF::process(float in, float cutoff, float q) {
  float f = float(2.0 * std::sin(PI * std::min(cutoff, RATE * 0.2f) / RATE));
  float damp = 1.0f / std::max(q, 0.5f);
  low += f * band;
  lastHigh = in - low - damp * band;
  band += f * lastHigh;
  return low;
}

float OnePole::lowpass(float in, float cutoff) {
  float a = float(1.0 - std::exp(-2.0 * PI * cutoff / RATE));
  y += a * (in - y);
  return y;
}

float peakOf(const std::vector<float>& s) {
  float p = 0;
  for (float v : s) p = std::max(p, std::fabs(v));
  return p;
}

double rmsOf(const std::vector<float>& s) {
  double acc = 0;
  for (float v : s) acc += double(v) * v;
  return s.empty() ? 0 : std::sqrt(acc / s.size());
}

void scaleTo(std::vector<float>& s, float peak) {
  float p = peakOf(s);
  if (p <= 0) return;
  for (float& v : s) v *= peak / p;
}

void removeLoopMean(std::vector<float>& s, int channels) {
  const size_t frames = s.size() / channels;
  if (frames == 0) return;
  for (int c = 0; c < channels; ++c) {
    double sum = 0;
    for (size_t i = 0; i < frames; ++i) sum += s[i * channels + c];
    const float mean = float(sum / frames);
    for (size_t i = 0; i < frames; ++i) s[i * channels + c] -= mean;
  }
}

void removeOneShotMean(std::vector<float>& s) {
  if (s.size() < 3) return;
  // sin^2 over the whole sound: zero at both ends, weights summing to n / 2.
  double sum = 0;
  for (float v : s) sum += v;
  const double n = double(s.size() - 1);
  const double k = sum / (double(s.size() - 1) / 2.0);
  for (size_t i = 0; i < s.size(); ++i) {
    const double w = std::sin(PI * double(i) / n);
    s[i] -= float(k * w * w);
  }
}
