// A small sequencer: songs are written as sections of bars with chords,
// a melody in note names and drum lanes, and rendered to a stereo loop.
#pragma once

#include <string>
#include <vector>

#include "assets.h"

// One section: its chords (one per bar, e.g. "Am", "F#m", "G"), the
// melody as 16 steps per bar ("A4", "C#5", "-" holds, "." rests), and which
// parts play. Drum lanes are strings of 16 steps per bar, 'x' for a hit.
struct Section {
  std::vector<std::string> chords;
  std::vector<std::string> melody;  // one string per bar, may be empty
  bool bass = true, pad = true, arp = false, drums = true, fill = false;
  int melodyOctaveDouble = 0;  // +12 adds a quieter octave-up copy
};

struct DrumKit {
  std::string kick, snare, hat, open;  // 16 steps, repeated every bar
};

struct Song {
  double bpm = 120;
  std::vector<Section> sections;
  DrumKit drums;
  std::string bassRhythm;  // 16 steps: 'R' root, '5' fifth, '8' octave, '-' hold, '.' rest
  int bassOctave = 2;      // octave of the root note
  float leadBrightness = 1.0f;
  float targetRms = 0.09f;
  unsigned seed = 1;
};

// Renders the song once round; notes, echoes and reverb that run past the
// end continue at the start, so the file loops without a seam.
Sound renderSong(const std::string& name, const Song& song);
