// Entry point: audio driver, window, and the fixed 5 ms logic step with one
// frame drawn per pass.
#include <unistd.h>

#include <climits>
#include <string>

#include "engine/clock.h"
#include "engine/display.h"
#include "engine/gamepad.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "engine/system.h"
#include "game/MainLoop.h"
#include "game/TGameMode.h"

// Every data path is relative to the executable's own directory.
static void enterExecutableDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return;
  std::string exe(path, static_cast<size_t>(length));
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return;
  std::string dir = slash == 0 ? "/" : exe.substr(0, slash);
  if (chdir(dir.c_str()) != 0) return;
}

static void chooseAudioDriver() {
  EnableOpenAL();
  if (AudioDriverExists("OpenAL")) {
    SetAudioDriver("OpenAL");
  } else if (AudioDriverExists("SoftAudio")) {
    SetAudioDriver("SoftAudio");
  } else {
    RuntimeError("Error: Cannot set audio driver.");
  }
}

int main() {
  enterExecutableDirectory();
  chooseAudioDriver();
  AppTitle = "Velmora";
  TGameMode::resetGraphics();
  // Pads are optional: without them the keyboard plays alone.
  OpenPads();
  SeedRnd(MilliSecs());
  gLastTime = MilliSecs() / 5;
  gContinue = 1;
  TGameMode::init();
  while (gContinue) {
    int numTicks = waitForPass(FramePaced());
    gContinue = runTickPass(numTicks, TGameMode::update, TGameMode::draw);
  }
  ClosePads();
  EndGraphics();
  return 0;
}
