// Constants shared by every part of the game: the logical screen, the road
// and the sound levels.
#pragma once

class TConstants {
public:
  static constexpr int SCREEN_WIDTH = 800;
  static constexpr int SCREEN_HEIGHT = 600;
  static constexpr int HALF_SCREEN_WIDTH = 400;
  static constexpr int HORIZON_HEIGHT = 300;
  static constexpr int HORIZON_Y = 300;
  static constexpr int ROAD_WIDTH = 800;
  static constexpr float SOUND_VOLUME = 0.2f;
  static constexpr float MUSIC_VOLUME_MODIFIER = 2.5f;
  static constexpr float MAX_SEGMENT_DX = 0.002f;
  static constexpr float MAX_SEGMENT_DY = 0.0012f;
};

// The same values by their plain names, as the rest of the game uses them.
constexpr int SCREEN_WIDTH = TConstants::SCREEN_WIDTH;
constexpr int SCREEN_HEIGHT = TConstants::SCREEN_HEIGHT;
constexpr int HALF_SCREEN_WIDTH = TConstants::HALF_SCREEN_WIDTH;
constexpr int HORIZON_HEIGHT = TConstants::HORIZON_HEIGHT;
constexpr int HORIZON_Y = TConstants::HORIZON_Y;
constexpr int ROAD_WIDTH = TConstants::ROAD_WIDTH;
constexpr float SOUND_VOLUME = TConstants::SOUND_VOLUME;
constexpr float MUSIC_VOLUME_MODIFIER = TConstants::MUSIC_VOLUME_MODIFIER;
constexpr float MAX_SEGMENT_DX = TConstants::MAX_SEGMENT_DX;
constexpr float MAX_SEGMENT_DY = TConstants::MAX_SEGMENT_DY;
