// Audio drivers by name, sounds decoded fully into memory, and channels.
// Every call is safe with null sounds and the "Null" driver; functions that
// hand out channels never return null, so the game may adjust them blindly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int SOUND_LOOP = 1;

constexpr int SF_MONO8 = 1;
constexpr int SF_MONO16LE = 2;
constexpr int SF_MONO16BE = 3;
constexpr int SF_STEREO8 = 4;
constexpr int SF_STEREO16LE = 5;
constexpr int SF_STEREO16BE = 6;

int BytesPerFrame(int format);

class TAudioSample {
public:
  std::vector<uint8_t> samples;
  int length = 0;  // in frames
  int hertz = 0;
  int format = 0;
  int capacity = 0;
};

// Sample loaders: null when the data is not a file of their kind or is
// corrupt. The file forms also name a missing or undecodable file on stderr.
std::shared_ptr<TAudioSample> LoadWavSample(const uint8_t* data, size_t size);
std::shared_ptr<TAudioSample> LoadOggSample(const uint8_t* data, size_t size);
std::shared_ptr<TAudioSample> LoadAudioSample(const std::string& path);

class TChannel;

class TSound : public std::enable_shared_from_this<TSound> {
public:
  virtual ~TSound() = default;
  // Plays on the channel (or a fresh temporary one when null) and returns it.
  virtual std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel = nullptr);
  virtual std::shared_ptr<TChannel> Cue(std::shared_ptr<TChannel> channel = nullptr);
  static std::shared_ptr<TSound> Load(const std::string& path, int flags);
};

class TChannel {
public:
  virtual ~TChannel() = default;
  virtual int Stop() { return 0; }
  virtual int SetPaused(int) { return 0; }
  virtual int SetVolume(float) { return 0; }
  virtual int SetPan(float) { return 0; }
  virtual int SetDepth(float) { return 0; }
  virtual int SetRate(float) { return 0; }
  virtual int Playing() { return 0; }
};

// Drivers register themselves on creation and live for the whole run;
// create them with new, never on the stack.
class TAudioDriver {
public:
  TAudioDriver* _succ = nullptr;  // registry, newest first

  TAudioDriver();
  TAudioDriver(const TAudioDriver&) = delete;
  TAudioDriver& operator=(const TAudioDriver&) = delete;
  virtual ~TAudioDriver() = default;
  virtual std::string Name();  // "Null" for this base driver
  virtual int Startup();
  virtual void Shutdown();
  virtual std::shared_ptr<TSound> CreateSound(std::shared_ptr<TAudioSample> sample, int flags);
  virtual std::shared_ptr<TChannel> AllocChannel();
  virtual std::shared_ptr<TSound> LoadSound(const std::string& path, int flags);
};

int EnableOpenAL();
int AudioDriverExists(const std::string& name);
int SetAudioDriver(const std::string& name);
TAudioDriver* CurrentAudioDriver();
std::vector<std::string> AudioDrivers();
// Shuts the current driver down and leaves "Null" current (also run at exit).
void ShutdownAudio();
// Back to the start: the driver shut down, and the next use picks the
// default one again as if none had ever been set.
void ResetAudio();

std::shared_ptr<TSound> LoadSound(const std::string& path, int flags = 0);
std::shared_ptr<TChannel> AllocChannel();
std::shared_ptr<TChannel> PlaySound(const std::shared_ptr<TSound>& sound,
                                    const std::shared_ptr<TChannel>& channel = nullptr);
// An effect on a fresh channel at the given volume; the channel is returned.
std::shared_ptr<TChannel> PlaySoundAtVolume(const std::shared_ptr<TSound>& sound, float volume);
std::shared_ptr<TChannel> CueSound(const std::shared_ptr<TSound>& sound,
                                   const std::shared_ptr<TChannel>& channel = nullptr);
