// The audio driver registry, the silent "Null" driver every other driver
// builds on, the software-mixing fallbacks, and the game-facing calls.
#include "engine/sound.h"

#include <cstdlib>
#include <strings.h>

#include "engine/audio_openal.h"

namespace {
TAudioDriver* gDriverList = nullptr;  // registry head, newest first
TAudioDriver* gNullDriver = nullptr;
TAudioDriver* gCurrentDriver = nullptr;
bool gDriverEverSet = false;
bool gExitHookSet = false;

// The software-mixing fallbacks exist so the game has a driver to select
// when OpenAL is missing. They mix nothing: their sounds and channels are
// the Null driver's, so a game without OpenAL runs silently.
class TSoftAudioDriver : public TAudioDriver {
public:
  explicit TSoftAudioDriver(const char* name) : fName(name) {}
  std::string Name() override { return fName; }

private:
  std::string fName;
};

void EnsureDrivers() {
  if (gNullDriver) return;
  gNullDriver = new TAudioDriver();
  new TSoftAudioDriver("SoftAudio");
  new TSoftAudioDriver("SoftAudio OpenSound System");
  RegisterOpenALDriver();
}

TAudioDriver* FindDriver(const std::string& name) {
  for (TAudioDriver* d = gDriverList; d; d = d->_succ) {
    if (strcasecmp(d->Name().c_str(), name.c_str()) == 0) return d;
  }
  return nullptr;
}

std::shared_ptr<TChannel> SilentChannel(const std::shared_ptr<TChannel>& channel) {
  return channel ? channel : std::make_shared<TChannel>();
}
}  // namespace

TAudioDriver::TAudioDriver() {
  _succ = gDriverList;
  gDriverList = this;
}

std::string TAudioDriver::Name() { return "Null"; }
int TAudioDriver::Startup() { return 1; }
void TAudioDriver::Shutdown() {}

std::shared_ptr<TSound> TAudioDriver::CreateSound(std::shared_ptr<TAudioSample> sample, int) {
  return sample ? std::make_shared<TSound>() : nullptr;
}

std::shared_ptr<TChannel> TAudioDriver::AllocChannel() { return std::make_shared<TChannel>(); }

std::shared_ptr<TSound> TAudioDriver::LoadSound(const std::string& path, int flags) {
  auto sample = LoadAudioSample(path);
  return sample ? CreateSound(sample, flags) : nullptr;
}

std::shared_ptr<TChannel> TSound::Play(std::shared_ptr<TChannel> channel) { return SilentChannel(channel); }
std::shared_ptr<TChannel> TSound::Cue(std::shared_ptr<TChannel> channel) { return SilentChannel(channel); }
std::shared_ptr<TSound> TSound::Load(const std::string& path, int flags) { return ::LoadSound(path, flags); }

int EnableOpenAL() {
  // The registry (with its plain "OpenAL") comes first, the devices after.
  EnsureDrivers();
  return RegisterOpenALDevices();
}

int AudioDriverExists(const std::string& name) {
  EnsureDrivers();
  return FindDriver(name) ? 1 : 0;
}

std::vector<std::string> AudioDrivers() {
  EnsureDrivers();
  std::vector<std::string> names;
  for (TAudioDriver* d = gDriverList; d; d = d->_succ) names.push_back(d->Name());
  return names;
}

int SetAudioDriver(const std::string& name) {
  EnsureDrivers();
  if (!gExitHookSet) {
    // The device must be closed on the way out (a wave-file device only
    // completes its header then).
    gExitHookSet = true;
    std::atexit(ShutdownAudio);
  }
  if (gCurrentDriver) gCurrentDriver->Shutdown();
  gCurrentDriver = gNullDriver;
  gDriverEverSet = true;
  TAudioDriver* driver = FindDriver(name);
  if (!driver || !driver->Startup()) return 0;
  gCurrentDriver = driver;
  return 1;
}

void ShutdownAudio() {
  if (gCurrentDriver) gCurrentDriver->Shutdown();
  gCurrentDriver = gNullDriver;
}

void ResetAudio() {
  ShutdownAudio();
  gDriverEverSet = false;
}

TAudioDriver* CurrentAudioDriver() {
  EnsureDrivers();
  if (!gDriverEverSet && !SetAudioDriver("SoftAudio")) SetAudioDriver("Null");
  return gCurrentDriver;
}

std::shared_ptr<TSound> LoadSound(const std::string& path, int flags) {
  return CurrentAudioDriver()->LoadSound(path, flags);
}

std::shared_ptr<TChannel> AllocChannel() {
  return SilentChannel(CurrentAudioDriver()->AllocChannel());
}

std::shared_ptr<TChannel> PlaySound(const std::shared_ptr<TSound>& sound, const std::shared_ptr<TChannel>& channel) {
  if (!sound) return SilentChannel(channel);
  return SilentChannel(sound->Play(channel));
}

std::shared_ptr<TChannel> CueSound(const std::shared_ptr<TSound>& sound, const std::shared_ptr<TChannel>& channel) {
  if (!sound) return SilentChannel(channel);
  return SilentChannel(sound->Cue(channel));
}

std::shared_ptr<TChannel> PlaySoundAtVolume(const std::shared_ptr<TSound>& sound, float volume) {
  auto channel = PlaySound(sound, nullptr);
  channel->SetVolume(volume);
  return channel;
}
