// The sequencer and its instruments: lead, bass, pad, arpeggio and a drum
// kit, mixed in stereo with an echo on the lead and a small room reverb.
// Everything is written into a circular buffer one loop long.
#include "music.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "rng.h"
#include "synth.h"

namespace {

struct Mix {
  size_t length;
  std::vector<float> left, right, reverb, echo;
  explicit Mix(size_t n) : length(n), left(n), right(n), reverb(n), echo(n) {}
  void add(size_t i, float v, float pan, float rev, float ech) {
    i %= length;
    left[i] += v * (1 - pan);
    right[i] += v * (1 + pan);
    reverb[i] += v * rev;
    echo[i] += v * ech;
  }
};

int pitchClass(const std::string& s, size_t& pos) {
  static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  int pc = base[s[pos] - 'A'];
  ++pos;
  if (pos < s.size() && s[pos] == '#') ++pc, ++pos;
  else if (pos < s.size() && s[pos] == 'b') --pc, ++pos;
  return (pc + 12) % 12;
}

// "C#5" -> 73; -1 when the token is not a note.
int parseNote(const std::string& tok) {
  if (tok.empty() || tok[0] < 'A' || tok[0] > 'G') return -1;
  size_t pos = 0;
  int pc = pitchClass(tok, pos);
  int octave = std::stoi(tok.substr(pos));
  return 12 * (octave + 1) + pc;
}

struct Chord {
  int root;  // pitch class
  bool minor;
};

Chord parseChord(const std::string& s) {
  size_t pos = 0;
  int pc = pitchClass(s, pos);
  return {pc, pos < s.size() && s[pos] == 'm'};
}

std::vector<std::string> tokens(const std::string& bar) {
  std::istringstream in(bar);
  std::vector<std::string> t;
  std::string w;
  while (in >> w) t.push_back(w);
  t.resize(16, ".");
  return t;
}

class Renderer {
public:
  Renderer(const Song& song, size_t length) : song_(song), mix_(length), rng_(song.seed) {}

  Mix& mix() { return mix_; }

  // A detuned pulse-and-saw lead with delayed vibrato and a filter that
  // opens on each note.
  void lead(double start, double dur, int midi, float gain) {
    double hz = noteHz(midi);
    double rel = 0.18;
    size_t n = size_t((dur + rel) * RATE);
    SVF f;
    double p1 = 0, p2 = 0;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / RATE;
      double vib = t > 0.18 ? 0.25 * std::sin(2 * PI * 5.5 * t) * std::min(1.0, (t - 0.18) * 4) : 0;
      double f1 = hz * std::pow(2.0, vib / 12), f2 = f1 * 1.004;
      p1 = std::fmod(p1 + f1 / RATE, 1.0), p2 = std::fmod(p2 + f2 / RATE, 1.0);
      float env = adsr(t, dur, 0.008, 0.25, 0.65, rel);
      float osc = 0.55f * pulseWave(p1, f1 / RATE, 0.3 + 0.08 * std::sin(2 * PI * 0.7 * t)) + 0.45f * sawWave(p2, f2 / RATE);
      float cut = float((1300 + 3000 * std::exp(-t * 6)) * song_.leadBrightness);
      float v = f.process(osc, cut, 1.3f) * env * gain;
      mix_.add(size_t(start + i), v, 0.1f, 0.22f, 0.3f);
    }
  }

  void bass(double start, double dur, int midi, float gain) {
    double hz = noteHz(midi);
    size_t n = size_t((dur + 0.05) * RATE);
    SVF f;
    double p = 0;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / RATE;
      p = std::fmod(p + hz / RATE, 1.0);
      float env = adsr(t, dur, 0.003, 0.12, 0.75, 0.05);
      float osc = 0.6f * sawWave(p, hz / RATE) + 0.5f * pulseWave(std::fmod(p * 0.5 + 0.25, 1.0), hz / 2 / RATE, 0.5);
      float v = f.process(osc, float(260 + 1700 * std::exp(-t * 14)), 1.6f) * env * gain;
      mix_.add(size_t(start + i), v, 0.0f, 0.03f, 0.0f);
    }
  }

  void pad(double start, double dur, const Chord& c, float gain) {
    int notes[4] = {48 + c.root, 60 + c.root, 60 + c.root + (c.minor ? 3 : 4), 60 + c.root + 7};
    size_t n = size_t((dur + 0.5) * RATE);
    for (int k = 0; k < 4; ++k) {
      double hz = noteHz(notes[k]);
      OnePole f;
      double pa = 0.1 * k, pb = 0.37 * k;
      float pan = k % 2 ? 0.45f : -0.45f;
      for (size_t i = 0; i < n; ++i) {
        double t = double(i) / RATE;
        pa = std::fmod(pa + hz * 1.003 / RATE, 1.0), pb = std::fmod(pb + hz * 0.997 / RATE, 1.0);
        float env = adsr(t, dur, 0.12, 0.4, 0.8, 0.5);
        float v = f.lowpass(0.5f * (sawWave(pa, hz / RATE) + sawWave(pb, hz / RATE)), 1600) * env * gain;
        mix_.add(size_t(start + i), v, pan, 0.35f, 0.0f);
      }
    }
  }

  void arp(double start, double dur, int midi, float gain, float pan) {
    double hz = noteHz(midi);
    size_t n = size_t((dur + 0.06) * RATE);
    double p = 0;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / RATE;
      p = std::fmod(p + hz / RATE, 1.0);
      float env = adsr(t, dur, 0.002, 0.07, 0.35, 0.06);
      mix_.add(size_t(start + i), pulseWave(p, hz / RATE, 0.5) * env * gain, pan, 0.2f, 0.25f);
    }
  }

  void kick(double start, float gain) {
    size_t n = size_t(0.35 * RATE);
    double p = 0;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / RATE;
      p += (48 + 110 * std::exp(-t * 28)) / RATE;
      float v = float(std::sin(2 * PI * p) * std::exp(-t * 9) + 0.3 * std::exp(-t * 300) * rng_.noise());
      mix_.add(size_t(start + i), std::tanh(1.5f * v) * gain, 0.0f, 0.02f, 0.0f);
    }
  }

  void snare(double start, float gain) {
    size_t n = size_t(0.25 * RATE);
    SVF f;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / RATE;
      f.process(rng_.noise(), 1800, 0.7f);
      float v = 0.8f * f.lastHigh * float(std::exp(-t * 18)) + 0.6f * float(std::sin(2 * PI * 190 * t) * std::exp(-t * 30));
      mix_.add(size_t(start + i), v * gain, -0.1f, 0.3f, 0.0f);
    }
  }

  void hat(double start, float gain, double decay) {
    size_t n = size_t(std::min(0.4, 6 / decay) * RATE);
    SVF f;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / RATE;
      f.process(rng_.noise(), 7000, 0.8f);
      mix_.add(size_t(start + i), f.lastHigh * float(std::exp(-t * decay)) * gain, 0.3f, 0.1f, 0.0f);
    }
  }

  // A crash cymbal to mark the start of a section.
  void cymbal(double start, float gain) {
    size_t n = size_t(1.6 * RATE);
    SVF f, g;
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / RATE;
      float noise = rng_.noise();
      f.process(noise, 6000, 0.7f);
      g.process(noise, 9000, 4.0f);
      float v = (0.7f * f.lastHigh + 0.3f * g.band) * float(std::exp(-t * 2.4)) * float(std::min(1.0, t * 400));
      mix_.add(size_t(start + i), v * gain, -0.35f, 0.3f, 0.0f);
    }
  }

private:
  const Song& song_;
  Mix mix_;
  Rng rng_;
};

// Ping-pong echo and a Schroeder room, both run round the loop twice so the
// tails that pass the end come back in at the start.
void effects(Mix& m, double step) {
  size_t n = m.length;
  size_t d = size_t(step * 3);
  std::vector<float> el(n), er(n);
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < n; ++i) {
      size_t j = (i + n - d) % n;
      el[i] = m.echo[i] + 0.38f * er[j];
      er[i] = 0.38f * el[j];
    }
  const size_t combs[4] = {1557, 1617, 1491, 1422};
  const size_t allpasses[2] = {225, 556};
  for (int side = 0; side < 2; ++side) {
    std::vector<float> sum(n, 0.0f);
    for (size_t c = 0; c < 4; ++c) {
      size_t len = combs[c] + side * 23;
      std::vector<float> buf(len, 0.0f);
      float lp = 0;
      size_t k = 0;
      for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < n; ++i) {
          float out = buf[k];
          lp = out * 0.7f + lp * 0.3f;
          buf[k] = m.reverb[i] + lp * 0.8f;
          k = (k + 1) % len;
          if (pass == 1) sum[i] += out * 0.25f;
        }
    }
    for (size_t a = 0; a < 2; ++a) {
      size_t len = allpasses[a] + side * 11;
      std::vector<float> buf(len, 0.0f), out(n);
      size_t k = 0;
      for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < n; ++i) {
          float b = buf[k];
          float y = -sum[i] + b;
          buf[k] = sum[i] + b * 0.5f;
          k = (k + 1) % len;
          out[i] = y;
        }
      sum.swap(out);
    }
    std::vector<float>& dst = side == 0 ? m.left : m.right;
    const std::vector<float>& ech = side == 0 ? el : er;
    for (size_t i = 0; i < n; ++i) dst[i] += 0.6f * sum[i] + 0.5f * ech[i];
  }
}

}  // namespace

Sound renderSong(const std::string& name, const Song& song) {
  const double step = RATE * 60.0 / song.bpm / 4.0;
  int bars = 0;
  for (auto& s : song.sections) bars += int(s.chords.size());
  const size_t length = size_t(std::llround(bars * 16 * step));
  Renderer r(song, length);

  int bar = 0;
  for (auto& sec : song.sections) {
    for (size_t b = 0; b < sec.chords.size(); ++b, ++bar) {
      Chord ch = parseChord(sec.chords[b]);
      double barStart = bar * 16 * step;
      if (sec.pad) r.pad(barStart, 16 * step / RATE - 0.05, ch, 0.05f);
      // Bass line from the rhythm string.
      if (sec.bass)
        for (int s = 0; s < 16; ++s) {
          char c = song.bassRhythm[s];
          if (c == '-' || c == '.') continue;
          int len = 1;
          while (s + len < 16 && song.bassRhythm[s + len] == '-') ++len;
          int midi = 12 * (song.bassOctave + 1) + ch.root + (c == '5' ? 7 : c == '8' ? 12 : 0);
          r.bass(barStart + s * step, len * step * 0.9 / RATE, midi, 0.3f);
        }
      if (sec.arp) {
        int tones[4] = {0, ch.minor ? 3 : 4, 7, 12};
        for (int s = 0; s < 16; ++s)
          r.arp(barStart + s * step, step * 0.6 / RATE, 72 + ch.root + tones[(s + (s / 4)) % 4] - (ch.root > 6 ? 12 : 0), 0.06f,
                s % 2 ? 0.5f : -0.5f);
      }
      if (sec.drums) {
        bool fillBar = sec.fill && b + 1 == sec.chords.size();
        if (b == 0) r.cymbal(barStart, 0.16f);
        for (int s = 0; s < 16; ++s) {
          double at = barStart + s * step;
          if (song.drums.kick[s] == 'x') r.kick(at, 0.55f);
          bool sn = song.drums.snare[s] == 'x' || (fillBar && s >= 12);
          if (sn) r.snare(at, fillBar && s >= 12 ? 0.25f + 0.04f * (s - 12) : 0.38f);
          if (song.drums.hat[s] == 'x') r.hat(at, s % 4 == 0 ? 0.14f : 0.09f, 55);
          if (song.drums.open[s] == 'x') r.hat(at, 0.1f, 12);
        }
      }
      // Melody: a note lasts through its '-' holds.
      if (b < sec.melody.size() && !sec.melody[b].empty()) {
        auto t = tokens(sec.melody[b]);
        for (int s = 0; s < 16; ++s) {
          int midi = parseNote(t[s]);
          if (midi < 0) continue;
          int len = 1;
          // Holds may run on into the next bar of the section.
          int bb = int(b), ss = s + 1;
          while (true) {
            if (ss == 16) {
              ++bb, ss = 0;
              if (bb >= int(sec.melody.size()) || sec.melody[bb].empty()) break;
            }
            if (tokens(sec.melody[bb])[ss] != "-") break;
            ++len, ++ss;
          }
          double dur = len * step - 0.02 * RATE;
          r.lead(barStart + s * step, dur / RATE, midi, 0.26f);
          if (sec.melodyOctaveDouble) r.lead(barStart + s * step, dur / RATE, midi + sec.melodyOctaveDouble, 0.08f);
        }
      }
    }
  }
  Mix& m = r.mix();
  effects(m, step);

  Sound out{name, RATE, 2, std::vector<float>(length * 2)};
  for (size_t i = 0; i < length; ++i) out.samples[2 * i] = m.left[i], out.samples[2 * i + 1] = m.right[i];
  // Music sits under the effects: a fixed loudness, and a gentle limit on
  // peaks; first the pulse voices' offset goes.
  removeLoopMean(out.samples, 2);
  double rms = rmsOf(out.samples);
  float g = rms > 0 ? float(song.targetRms / rms) : 1.0f;
  for (float& v : out.samples) {
    v *= g;
    if (std::fabs(v) > 0.6f) v = std::copysign(0.6f + 0.25f * std::tanh((std::fabs(v) - 0.6f) / 0.25f), v);
  }
  return out;
}
