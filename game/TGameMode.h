// The game's conductor: states, display mode, the game's own resources and
// music, the per-tick update of a race, the road renderer and the screens.
// Never instantiated; everything is class-level.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TSound;
class TChannel;
class TImage;
class TImageFont;
class TCar;
class THorizon;
class TEntity;

// One screen line of the road as the line pass leaves it for the draw pass.
struct TRoadLine {
  float z = 0;
  float x = 0;
  float scale = 0;
  float slope = 0;
  int visible = 0;
  int y = 0;
  int height = 0;
  int grassGreen = 0;
  int roadFrame = 0;
  int tunnel = 0;
};

class TGameMode {
public:
  static constexpr int STATE_TITLE = 0;
  static constexpr int STATE_START = 1;
  static constexpr int STATE_ACTION = 2;
  static constexpr int STATE_GAME_OVER = 3;
  static constexpr int START_COUNT_DOWN = 300;
  static constexpr int START_COUNT_DOWN_REPEATS = 4;
  static constexpr int CHECKPOINT_TIME_FIRST_LAP = 90;
  static constexpr int CHECKPOINT_TIME_BONUS_1 = 80;
  static constexpr int CHECKPOINT_TIME_BONUS_2 = 70;
  static constexpr int CHECKPOINT_TIME_BONUS_3 = 60;
  static constexpr int NEW_PLAYER_CAR_TIME = 3;
  static constexpr float GAME_OVER_FADE_SPEED = 0.005f;
  static constexpr int CLOUD_COUNT = 10;
  static constexpr int BUSH_COUNT_AT_START = 20;
  static constexpr int MIN_ENEMY_TIME = 20;
  static constexpr int MAX_ENEMY_TIME = 140;
  static constexpr int MAX_ENEMY_COUNT = 5;
  static constexpr int LAP_COUNT_BRONZE = 6;
  static constexpr int LAP_COUNT_SILVER = 7;
  static constexpr int LAP_COUNT_GOLD = 8;
  static constexpr int TROPHY_NONE = -1;
  static constexpr int TROPHY_BRONZE = 0;
  static constexpr int TROPHY_SILVER = 1;
  static constexpr int TROPHY_GOLD = 2;

  static constexpr int LINE_COUNT = 300;
  // The parts of a frame as SetDrawPass numbers them, so a benchmark can
  // count what each costs. PASS_HUD takes every screen drawn over the race.
  static constexpr int PASS_CLEAR = 0;
  static constexpr int PASS_HORIZONS = 1;
  static constexpr int PASS_CLOUDS = 2;
  static constexpr int PASS_ROAD = 3;
  static constexpr int PASS_GRASS = 4;
  static constexpr int PASS_TUNNEL = 5;
  static constexpr int PASS_ENTITIES = 6;
  static constexpr int PASS_HUD = 7;
  static constexpr int PASS_COUNT = 8;
  // A paused race is drawn a few times a second, not every frame.
  static constexpr int PAUSED_FRAME_MS = 250;

  static int gState;
  static int gWindowed;
  static int gMusicOn;
  static std::shared_ptr<TSound> gCurrentMusic;
  static std::shared_ptr<TChannel> gMusicChannel;
  static std::shared_ptr<TSound> gTitleMusic;
  static std::shared_ptr<TSound> gRaceMusic;
  static std::shared_ptr<TSound> gLapSound;
  static std::shared_ptr<TSound> gStartSound1;
  static std::shared_ptr<TSound> gStartSound2;
  static std::shared_ptr<TImage> gRoadGfx;
  static std::shared_ptr<TImage> gTrophyGfx;
  static std::shared_ptr<TImage> gSelectCarGfx;
  static std::shared_ptr<TImage> gSelectCarRectGfx;
  static std::shared_ptr<TImageFont> gSmallFont;
  static std::shared_ptr<TImageFont> gLargeFont;
  static float gZMap[LINE_COUNT];
  static float gScaleMap[LINE_COUNT];
  static std::shared_ptr<TCar> gPlayerCar;
  static float gPlayerX;
  static float gPlayerSegmentDX;
  static float gPlayerSpeed;
  static int gPlayerCarColor;
  static std::shared_ptr<THorizon> gHorizon1;
  static std::shared_ptr<THorizon> gHorizon2;
  static std::shared_ptr<THorizon> gHorizon3;
  static float gHorizonYOffset;
  static float gTextureOffset;
  static int gCountDownTimer;
  static int gCountDownRepeats;
  static int gCheckpointTime;
  static int gSecondStartMS;
  static int gNewPlayerCarTimer;
  static int gLaps;
  static float gDistanceCounter;
  static int gTrophy;
  static float gGameOverFade;
  static float gEnemyTimer;
  static int gEnemySide;
  static float gBushTimer;

  // The race stands still while the player holds it paused (P or Pause)
  // or while the window has lost the keyboard focus.
  static int gPaused;
  static int gPauseActive;
  static int gPauseStartMS;
  static int gPausedFrameMS;
  static std::vector<std::shared_ptr<TChannel>> gPausedChannels;

  // Motion of the latest racing tick, kept for drawing only: the world's
  // advance, the player's sideways move, the horizon's rise, the road
  // driven in all, and the tick they belong to (gTickCount while it ran).
  static float gLastMoveZ;
  static float gLastMoveX;
  static float gLastMoveHorizonY;
  static double gWorldDistance;
  static int gRoadMoveTick;
  // What the frame being drawn adds to the ticks' state: the road's lead
  // (the world carried forward by the tick fraction, never behind the
  // previous frame), the player's drawn sideways position, the horizon's
  // rise beyond gHorizonYOffset, and the road
  // position the previous frame showed.
  static float gDrawLead;
  static float gDrawPlayerX;
  static float gDrawHorizonYLead;
  static double gDrawnDistance;

  // 1: frames drawn the plain way, every layer whole and every road line
  // line by line over a cleared screen; the quicker way draws the same
  // picture, and tests compare the two.
  static int gPlainDraw;

  // The line table of the frame being drawn (rebuilt by each line pass).
  static TRoadLine gRoadLines[LINE_COUNT];

  static int init();
  static int resetGraphics();
  static int loadGraphics();
  static int initZMapAndScaling();
  static int playMusic(const std::shared_ptr<TSound>& sound, const std::shared_ptr<TChannel>& channel);
  static int stopMusic();
  static int toggleMusic();
  static int switchToState(int state);
  static int createClouds();
  // A bush's x: on either side of the road, 440 to 2400 out.
  static float bushX();
  static int createBushes();
  static int createHorizons();
  static int removeAllGameObjects();
  static int removeHorizons();
  static int update();
  static int updateBushTimer(float speed);
  static int updateEnemyTimer(float speed);
  static int updateTextureOffset(float speed);
  static int updateHorizons(float speed);
  static int draw();
  static int drawHUD();
  static int drawHorizons();

  // Pieces of the above, public so each can be driven on its own.
  static int updateCountDown();
  static int updateRace();
  static int updateRaceSecond();
  static int completeLap();
  static int updateGameOver();
  static int updateTitle();
  static int playSoundEffect(const std::shared_ptr<TSound>& sound);
  // Reads the pause keys and the focus; returns 1 while the race stands still.
  static int updatePause();
  // Stops (1) or restarts (0) the race's clocks and sound.
  static int setRacePaused(int paused);
  static int drawPause();
  // draw() without presenting: the frame stays in the back buffer.
  static int drawFrame();
  static int buildRoadLines();
  // Sets gDrawLead and gDrawPlayerX for the frame from gTickFraction (the
  // line pass starts with it).
  static int updateDrawLead();
  // The depth an entity is drawn at in this frame.
  static float drawDepth(const TEntity& entity);
  static int drawTunnelMouth();
  static int drawRoadAndEntities();
  static int drawRoadAndEntitiesPlain();
  static int drawTitle();
  static int drawGameOver();
  // x of a number's text centred on centreX, every character charWidth wide.
  static int centredTextX(int centreX, const std::string& text, int charWidth);
  // The speed shown on the HUD, as text.
  static std::string speedText();
};
