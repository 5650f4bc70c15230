// The game mode's class state, start-up, resources, music and state changes.
#include "game/TGameMode.h"

#include <cstdio>
#include <string>

#include "cars/TCar.h"
#include "engine/aspect.h"
#include "engine/clock.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/fonts.h"
#include "engine/gamepad.h"
#include "engine/images.h"
#include "engine/input.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "game/TConstants.h"
#include "game/TScore.h"
#include "track/TSegment.h"
#include "world/TCloud.h"
#include "world/TEntity.h"
#include "world/THorizon.h"
#include "world/TProp.h"

int TGameMode::gState = 0;
int TGameMode::gWindowed = 1;
int TGameMode::gMusicOn = 1;
std::shared_ptr<TSound> TGameMode::gCurrentMusic;
std::shared_ptr<TChannel> TGameMode::gMusicChannel;
std::shared_ptr<TSound> TGameMode::gTitleMusic;
std::shared_ptr<TSound> TGameMode::gRaceMusic;
std::shared_ptr<TSound> TGameMode::gLapSound;
std::shared_ptr<TSound> TGameMode::gStartSound1;
std::shared_ptr<TSound> TGameMode::gStartSound2;
std::shared_ptr<TImage> TGameMode::gRoadGfx;
std::shared_ptr<TImage> TGameMode::gTrophyGfx;
std::shared_ptr<TImage> TGameMode::gSelectCarGfx;
std::shared_ptr<TImage> TGameMode::gSelectCarRectGfx;
std::shared_ptr<TImageFont> TGameMode::gSmallFont;
std::shared_ptr<TImageFont> TGameMode::gLargeFont;
float TGameMode::gZMap[TGameMode::LINE_COUNT] = {};
float TGameMode::gScaleMap[TGameMode::LINE_COUNT] = {};
std::shared_ptr<TCar> TGameMode::gPlayerCar;
float TGameMode::gPlayerX = 0;
float TGameMode::gPlayerSegmentDX = 0;
float TGameMode::gPlayerSpeed = 0;
int TGameMode::gPlayerCarColor = 2;
std::shared_ptr<THorizon> TGameMode::gHorizon1;
std::shared_ptr<THorizon> TGameMode::gHorizon2;
std::shared_ptr<THorizon> TGameMode::gHorizon3;
float TGameMode::gHorizonYOffset = 0;
float TGameMode::gTextureOffset = 0;
float TGameMode::gLastMoveZ = 0;
float TGameMode::gLastMoveX = 0;
float TGameMode::gLastMoveHorizonY = 0;
float TGameMode::gDrawHorizonYLead = 0;
double TGameMode::gWorldDistance = 0;
int TGameMode::gRoadMoveTick = -1;
float TGameMode::gDrawLead = 0;
float TGameMode::gDrawPlayerX = 0;
double TGameMode::gDrawnDistance = 0;
int TGameMode::gCountDownTimer = 0;
int TGameMode::gCountDownRepeats = 0;
int TGameMode::gCheckpointTime = 0;
int TGameMode::gSecondStartMS = 0;
int TGameMode::gNewPlayerCarTimer = 0;
int TGameMode::gLaps = 0;
float TGameMode::gDistanceCounter = 0;
int TGameMode::gTrophy = 0;
float TGameMode::gGameOverFade = 0;
float TGameMode::gEnemyTimer = 140.0f;
int TGameMode::gEnemySide = -1;
float TGameMode::gBushTimer = 0;
int TGameMode::gPaused = 0;
int TGameMode::gPauseActive = 0;
int TGameMode::gPauseStartMS = 0;
int TGameMode::gPausedFrameMS = 0;
std::vector<std::shared_ptr<TChannel>> TGameMode::gPausedChannels;
TRoadLine TGameMode::gRoadLines[TGameMode::LINE_COUNT];
int TGameMode::gPlainDraw = 0;

int TGameMode::init() {
  HideMouse();
  initZMapAndScaling();
  TEntity::gNearZ = gZMap[0];
  TEntity::gFarZ = gZMap[LINE_COUNT - 1];
  TSegment::gFarZ = gZMap[LINE_COUNT - 1];
  TCar::gRearRemovalZ = static_cast<float>(static_cast<double>(gZMap[0]) - gZMap[LINE_COUNT - 1] / 3.0);
  gTitleMusic = LoadSound("Music/nfo.ogg", SOUND_LOOP);
  gRaceMusic = LoadSound("Music/mutant.ogg", SOUND_LOOP);
  gLapSound = LoadSound("Sounds/lap.wav", 0);
  gStartSound1 = LoadSound("Sounds/start1.wav", 0);
  gStartSound2 = LoadSound("Sounds/start2.wav", 0);
  gMusicChannel = AllocChannel();
  if (gMusicChannel) gMusicChannel->SetVolume(SOUND_VOLUME * MUSIC_VOLUME_MODIFIER);
  TScore::gHiScore = 0;
  AspectSetBorderColor(0, 0, 0);
  switchToState(STATE_TITLE);
  return 0;
}

// Opens the window at a whole multiple of 800 x 600 that suits its monitor;
// without any display the game cannot run.
static void openWindow() {
  int scale = WindowScale(SCREEN_WIDTH, SCREEN_HEIGHT);
  if (!OpenGraphics(SCREEN_WIDTH * scale, SCREEN_HEIGHT * scale, 0, 60, 0)) DisplayUnavailable();
  AspectSetMode(SCREEN_WIDTH, SCREEN_HEIGHT, ASPECT_BORDERS | ASPECT_KEEP_RATIO);
  ShowMouse();
}

int TGameMode::resetGraphics() {
  if (gWindowed) {
    openWindow();
  } else if (OpenGraphics(DesktopWidth(), DesktopHeight(), 32, 60, 0)) {
    AspectSetMode(SCREEN_WIDTH, SCREEN_HEIGHT, ASPECT_BORDERS | ASPECT_KEEP_RATIO);
    HideMouse();
  } else {
    // No full-screen mode of the desktop's size: carry on in the window.
    std::string why = GraphicsFailure();
    std::fprintf(stderr, "velmora: full screen unavailable%s%s, staying in a window\n", why.empty() ? "" : ": ",
                 why.c_str());
    gWindowed = 1;
    openWindow();
  }
  SetClsColor(0, 0, 0);
  AspectSetBorderColor(64, 64, 64);
  loadGraphics();
  return 0;
}

int TGameMode::loadGraphics() {
  gSmallFont = LoadImageFont("Fonts/Retroville_NC.ttf", 20, FONT_SMOOTH);
  gLargeFont = LoadImageFont("Fonts/Retroville_NC.ttf", 60, FONT_SMOOTH);
  gRoadGfx = LoadImageStrip("Graphics/road.png", 800, 1, 0, 2, 0);
  gTrophyGfx = LoadImageStrip("Graphics/trophies.png", 18, 24, 0, 3, -1);
  gSelectCarGfx = LoadImageStrip("Graphics/select_car.png", 100, 41, 0, 4, -1);
  gSelectCarRectGfx = LoadImage("Graphics/select_car_rect.png", -1);
  // Road lines are drawn centred on the road's x.
  if (gRoadGfx) SetImageHandle(gRoadGfx, static_cast<float>(ImageWidth(gRoadGfx) / 2), 0);
  THorizon::loadGraphics();
  TProp::loadGraphics();
  TProp::loadSounds();
  TCloud::loadGraphics();
  TCar::loadGraphics();
  TCar::loadSounds();
  return 0;
}

int TGameMode::initZMapAndScaling() {
  double reciprocal[LINE_COUNT];
  for (int i = 0; i < LINE_COUNT; ++i) {
    double zTerm = -1.0 / (i - 315.0);
    gZMap[i] = static_cast<float>(zTerm * 1000.0);
    reciprocal[i] = 1.0 / zTerm;
  }
  // Scale is relative to line 84, the line the car images are drawn for.
  double toLine84 = 1.0 / reciprocal[84];
  for (int i = 0; i < LINE_COUNT; ++i) gScaleMap[i] = static_cast<float>(reciprocal[i] * toLine84);
  return 0;
}

int TGameMode::playMusic(const std::shared_ptr<TSound>& sound, const std::shared_ptr<TChannel>& channel) {
  gCurrentMusic = sound;
  if (gMusicOn && sound) PlaySound(sound, channel);
  return 0;
}

int TGameMode::stopMusic() {
  // A silent channel (music switched off) keeps the previous state's music.
  if (gMusicChannel && gMusicChannel->Playing()) {
    gMusicChannel->SetPaused(1);
    gCurrentMusic = nullptr;
  }
  return 0;
}

int TGameMode::toggleMusic() {
  gMusicOn = !gMusicOn;
  if (gMusicOn) {
    if (gCurrentMusic) PlaySound(gCurrentMusic, gMusicChannel);
  } else if (gMusicChannel) {
    gMusicChannel->SetPaused(1);
  }
  return 0;
}

int TGameMode::switchToState(int state) {
  // A new scene starts drawn at its ticks' own moment.
  gDrawLead = 0;
  gDrawHorizonYLead = 0;
  if (state != STATE_ACTION) FlushKeys();
  // A pad's Start starts a race from the title and the game over, and
  // pauses one under way as P does. Leaving a race stops any shaking.
  const bool racing = state == STATE_START || state == STATE_ACTION;
  SetPadButtonKey(PAD_BUTTON_START, racing ? KEY_P : KEY_SPACE);
  if (!racing) PadRumble(0, 0, 0);
  // Leaving a paused race: what was paused goes with it.
  if (state == STATE_TITLE || state == STATE_GAME_OVER) {
    gPaused = gPauseActive = 0;
    gPausedChannels.clear();
  }
  stopMusic();
  switch (state) {
    case STATE_TITLE:
      removeAllGameObjects();
      SetClsColor(0, 0, 0);
      playMusic(gTitleMusic, gMusicChannel);
      break;
    case STATE_START:
      SetClsColor(34, 141, 203);
      TSegment::init(TCar::GRID_START_Z, TCar::GRID_STEP_Z);
      gPlayerCar = TCar::createStartingGrid(gPlayerCarColor);
      if (gPlayerCar) {
        gPlayerX = gPlayerCar->fX;
        gPlayerSegmentDX = gPlayerCar->fSegmentDX;
        gPlayerSpeed = gPlayerCar->fSpeed;
      }
      gLastMoveZ = 0;
      gLastMoveX = 0;
      gLastMoveHorizonY = 0;
      gWorldDistance = 0;
      gDrawnDistance = 0;
      gRoadMoveTick = -1;
      createClouds();
      createBushes();
      gHorizonYOffset = 0;
      createHorizons();
      gCountDownTimer = 600;
      gCountDownRepeats = START_COUNT_DOWN_REPEATS;
      gCheckpointTime = CHECKPOINT_TIME_FIRST_LAP;
      gNewPlayerCarTimer = 0;
      gLaps = 0;
      TScore::reset();
      gTrophy = TROPHY_NONE;
      break;
    case STATE_ACTION:
      gSecondStartMS = MilliSecs();
      playMusic(gRaceMusic, gMusicChannel);
      break;
    case STATE_GAME_OVER:
      TCar::removeAll();
      gGameOverFade = 0;
      break;
  }
  gState = state;
  return 0;
}

int TGameMode::createClouds() {
  for (int i = 0; i < CLOUD_COUNT; ++i) TCloud::Create();
  return 0;
}

float TGameMode::bushX() {
  int side = RndInt(1, 2);
  double x = RndFloat(440, 2400);
  return static_cast<float>(side == 1 ? -x : x);
}

int TGameMode::createBushes() {
  for (int i = 0; i <= BUSH_COUNT_AT_START; ++i) {
    float x = bushX();
    double z = RndFloat(TEntity::gNearZ, TEntity::gFarZ);
    TProp::Create(static_cast<float>(z), x, TProp::PROP_BUSH_1);
  }
  return 0;
}

int TGameMode::createHorizons() {
  gHorizon1 = THorizon::Create(THorizon::gHorizon1Gfx, 2800);
  gHorizon2 = THorizon::Create(THorizon::gHorizon2Gfx, 3300);
  gHorizon3 = THorizon::Create(THorizon::gHorizon3Gfx, 3800);
  return 0;
}

int TGameMode::removeAllGameObjects() {
  TEntity::removeAll();
  TCloud::removeAll();
  TSegment::removeAll();
  removeHorizons();
  TCar::gEnemyCount = 0;
  // The car left the road with the rest; holding it would keep its old
  // neighbours alive until the next race.
  gPlayerCar = nullptr;
  return 0;
}

int TGameMode::removeHorizons() {
  gHorizon1 = nullptr;
  gHorizon2 = nullptr;
  gHorizon3 = nullptr;
  return 0;
}
