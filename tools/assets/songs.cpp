// The two tunes. "nfo" greets the player on the title screen: D major,
// 110 BPM, a sunny hook over I-vi-IV-V. "mutant" drives the race: A minor,
// 140 BPM, octave bass and four-on-the-floor.
#include "music.h"

Sound makeTitleMusic() {
  Song s;
  s.bpm = 110;
  s.seed = 7;
  s.bassRhythm = "R--.R.5.R--.8.5.";
  s.bassOctave = 2;
  s.drums = {"x.....x.x.......", "....x.......x...", "x.x.x.x.x.x.x.x.", "..............x."};
  const std::vector<std::string> verse = {
      "F#5 - - . E5 . D5 . A4 - - . D5 . E5 .",  "F#5 - - . A5 - - . F#5 . E5 . D5 - - .",
      "B4 - - . D5 . G5 . F#5 - - . E5 . D5 .",  "E5 - - - - - . . C#5 . D5 . E5 . A5 .",
      "F#5 - - . E5 . D5 . A4 - - . D5 . E5 .",  "F#5 - - . A5 - - . B5 . A5 . F#5 - - .",
      "G5 - - . F#5 . E5 . D5 - - . B4 . C#5 .", "D5 - - - - - - - . . . . A4 . C#5 ."};
  const std::vector<std::string> chorus = {
      "B5 - - . A5 - - . G5 - - . D5 - . .",     "E5 - - . F#5 - - . G5 - - . A5 - . .",
      "A5 - - . G5 - - . F#5 - - . C#5 - . .",   "D5 - - . E5 - - . F#5 - - - - - . .",
      "B5 - - . A5 - - . G5 - - . B5 - . .",     "C#6 - - . B5 - - . A5 - - . E5 - . .",
      "F#5 - - - D5 - - - B4 - - - D5 - - -",    "E5 - - - - - - - C#5 - - - A4 - - -"};
  const std::vector<std::string> loopChords = {"D", "Bm", "G", "A", "D", "Bm", "G", "A"};
  Section intro{{"D", "Bm", "G", "A"}, {}, true, true, true, true, true};
  Section a{loopChords, verse, true, true, false, true, true};
  Section b{{"G", "A", "F#m", "Bm", "G", "A", "Bm", "A"}, chorus, true, true, true, true, true};
  Section a2{loopChords, verse, true, true, true, true, true, 12};
  s.sections = {intro, a, b, a2};
  s.leadBrightness = 0.9f;
  s.targetRms = 0.085f;
  return renderSong("nfo", s);
}

Sound makeRaceMusic() {
  Song s;
  s.bpm = 140;
  s.seed = 9;
  s.bassRhythm = "R.R.8.R.R.R.8.R.";
  s.bassOctave = 1;
  s.drums = {"x...x...x...x...", "....x.......x...", "xxx.xxx.xxx.xxx.", "..x...x...x...x."};
  const std::vector<std::string> hook = {
      "A4 . C5 . E5 . A5 - G5 . E5 . C5 . E5 .",  "F5 - - . E5 . C5 . A4 - . . C5 . F5 .",
      "G5 - - . E5 . G5 . C6 - B5 . G5 . E5 .",   "D5 - - . B4 . D5 . G5 - - . B5 - A5 .",
      "A5 - - . E5 . A5 . C6 - B5 . A5 . E5 .",   "F5 - - . A5 . C6 . A5 - G5 . F5 . C5 .",
      "D5 - G5 - B5 - D6 - B5 . G5 . D5 . B4 .",  "E5 - - - G#5 - - - B5 - - - G#5 . E5 ."};
  const std::vector<std::string> bridge = {
      "D5 - - - F5 - - - A5 - - - F5 - - -",      "E5 - - - A5 - - - C6 - - - A5 - - -",
      "F5 - - - A5 - - - C6 - - - D6 - C6 -",     "B5 - - - - - - - G5 - - - D5 - - -",
      "D6 - - - C6 - - - A5 - - - F5 - - -",      "E5 - - - A5 - - - C6 - - - E6 - - -",
      "D6 - - - B5 - - - G#5 - - - E5 - - -",     "B5 - - - - - - - . . . . E5 . G#5 ."};
  const std::vector<std::string> hookChords = {"Am", "F", "C", "G", "Am", "F", "G", "E"};
  const std::vector<std::string> bridgeChords = {"Dm", "Am", "F", "G", "Dm", "Am", "E", "E"};
  Section intro{{"Am", "F", "G", "E"}, {}, true, false, true, true, true};
  Section a{hookChords, hook, true, true, false, true, true};
  Section b{bridgeChords, bridge, true, true, true, true, true};
  Section a2{hookChords, hook, true, true, true, true, true, 12};
  Section b2{bridgeChords, bridge, true, true, true, true, true, -12};
  s.sections = {intro, a, b, a2, b2};
  s.leadBrightness = 1.1f;
  s.targetRms = 0.09f;
  return renderSong("mutant", s);
}
