// The score of the current race and the hi-score of this run of the program.
#pragma once

class TScore {
public:
  static constexpr int SCORE_PER_SECOND = 10;
  static constexpr int SCORE_100_METERS = 1;
  static constexpr int SCORE_OVERTAKING = 5;

  static int gScore;
  static int gHiScore;

  static int reset();
  static int add(int points);
};
