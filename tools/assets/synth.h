// Synthesiser building blocks shared by the effects, engines and music:
// band-limited oscillators, envelopes, filters and loop helpers.
#pragma once

#include <cmath>
#include <vector>

constexpr double PI = 3.14159265358979323846;
constexpr int RATE = 44100;

// PolyBLEP step correction: keeps saw and pulse waves free of harsh aliasing.
float polyBlep(double t, double dt);
// Phase in cycles (0..1), increment per sample dt.
float sawWave(double phase, double dt);
float pulseWave(double phase, double dt, double width);
inline float sineWave(double phase) { return float(std::sin(2 * PI * phase)); }
float triangleWave(double phase);

// Attack-decay-sustain-release, times in seconds; gate is the note length.
float adsr(double t, double gate, double a, double d, double s, double r);

// Chamberlin state-variable filter; cutoff in Hz, q about 0.5 (soft) to 5.
struct SVF {
  float low = 0, band = 0;
  // Returns the low-pass output; band() and high() give the others.
  float process(float in, float cutoff, float q);
  float lastHigh = 0;
};

struct OnePole {
  float y = 0;
  float lowpass(float in, float cutoff);
};

// Runs a stateful filter over a loop twice and keeps the second pass, so
// the filter state at the end of the loop is the one its start expects.
template <typename F>
void processLoop(std::vector<float>& buf, F filter) {
  std::vector<float> out(buf.size());
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < buf.size(); ++i) out[i] = filter(buf[i]);
  buf.swap(out);
}

float peakOf(const std::vector<float>& s);
double rmsOf(const std::vector<float>& s);
void scaleTo(std::vector<float>& s, float peak);
// Zero mean, so that many copies played at once do not stack an offset.
// A loop loses a constant (it still joins); a one-shot a smooth bump that
// is zero at both ends (its fades stay silent).
void removeLoopMean(std::vector<float>& s, int channels = 1);
void removeOneShotMean(std::vector<float>& s);
// Midi note number to Hz.
inline double noteHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }
