// The OpenAL driver. The library is opened with dlopen so the game still
// runs (on the silent fallback) where no OpenAL runtime is installed.
// OpenAL errors are read and cleared, never shown: a sound that cannot be
// made or played only stays silent.
#define AL_NO_PROTOTYPES
#define ALC_NO_PROTOTYPES
#include "engine/audio_openal.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {
#define OPENAL_FUNCTIONS(X)                        \
  X(alcOpenDevice, LPALCOPENDEVICE)                \
  X(alcCloseDevice, LPALCCLOSEDEVICE)              \
  X(alcCreateContext, LPALCCREATECONTEXT)          \
  X(alcDestroyContext, LPALCDESTROYCONTEXT)        \
  X(alcMakeContextCurrent, LPALCMAKECONTEXTCURRENT) \
  X(alcGetString, LPALCGETSTRING)                  \
  X(alcIsExtensionPresent, LPALCISEXTENSIONPRESENT) \
  X(alListenerf, LPALLISTENERF)                    \
  X(alGetError, LPALGETERROR)                      \
  X(alDistanceModel, LPALDISTANCEMODEL)            \
  X(alGenBuffers, LPALGENBUFFERS)                  \
  X(alDeleteBuffers, LPALDELETEBUFFERS)            \
  X(alBufferData, LPALBUFFERDATA)                  \
  X(alGenSources, LPALGENSOURCES)                  \
  X(alDeleteSources, LPALDELETESOURCES)            \
  X(alSourcei, LPALSOURCEI)                        \
  X(alSourcef, LPALSOURCEF)                        \
  X(alSource3f, LPALSOURCE3F)                      \
  X(alGetSourcei, LPALGETSOURCEI)                  \
  X(alSourcePlay, LPALSOURCEPLAY)                  \
  X(alSourcePause, LPALSOURCEPAUSE)                \
  X(alSourceStop, LPALSOURCESTOP)                  \
  X(alSourceRewind, LPALSOURCEREWIND)

struct OpenALApi {
#define OPENAL_MEMBER(name, type) type name = nullptr;
  OPENAL_FUNCTIONS(OPENAL_MEMBER)
#undef OPENAL_MEMBER
};

OpenALApi AL;

// The runtime's usual names; Debian and Ubuntu ship only the last one
// unless the development package is installed.
constexpr const char* OPENAL_LIBRARIES[] = {"libopenal.so", "libopenal.so.0", "libopenal.so.0.0.8",
                                            "libopenal.so.1"};

bool LoadOpenAL() {
  for (const char* name : OPENAL_LIBRARIES) {
    void* lib = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!lib) continue;
    bool complete = true;
#define OPENAL_LOOKUP(fn, type)                            \
  AL.fn = reinterpret_cast<type>(dlsym(lib, #fn));         \
  complete = complete && AL.fn != nullptr;
    OPENAL_FUNCTIONS(OPENAL_LOOKUP)
#undef OPENAL_LOOKUP
    if (complete) return true;
    AL = OpenALApi{};
    dlclose(lib);
  }
  return false;
}

// Opening devices makes the sound libraries below OpenAL report every
// backend they could not open, many lines each; the game says it in one.
class QuietStderr {
public:
  QuietStderr() {
    std::fflush(stderr);
    fSaved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (fSaved >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (fSaved < 0) return;
    dup2(fSaved, STDERR_FILENO);
    close(fSaved);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

private:
  int fSaved;
};

bool gContextLive = false;
int gLibraryLoaded = -1;       // -1: not tried yet; the library stays loaded
int gDevicesRegistered = -1;   // -1: the device drivers are not added yet
// Everything made under the live context, so shutting down can free it all
// (a buffer still attached to a source cannot be deleted).
std::vector<std::weak_ptr<TOpenALSound>> gLiveSounds;
std::vector<std::weak_ptr<TOpenALSource>> gLiveSources;

template <class T>
void Remember(std::vector<std::weak_ptr<T>>& list, const std::shared_ptr<T>& object) {
  if (list.size() >= 64 && (list.size() & (list.size() - 1)) == 0) {
    std::erase_if(list, [](const std::weak_ptr<T>& w) { return w.expired(); });
  }
  list.push_back(object);
}

// ---- Headroom --------------------------------------------------------
// The game sets every gain itself, and at the start of a race ten engine
// loops, the go beep and the music play at once; a chain of explosions
// adds more. The driver knows each sound's peak and each voice's gain and
// lowers the listener gain while its estimate of the mix's peak would
// pass the budget. Voices that play together rarely peak together: up to
// six equal ones count with the sum of their peaks, a larger crowd with
// 2.5 times the root of their summed squares (measured on the game's
// engines: ten at the start reach 2.5 to 2.7 times it). The ordinary race
// stays under the budget and plays at its own level; only the crowded
// moments are turned down. OpenAL Soft's limiter is the backstop.
constexpr float MIX_BUDGET = 0.8f;  // -1.9 dBFS: room under -1 dBFS for what the estimate misses
constexpr double MIX_CROWD = 2.5;
constexpr auto MIX_STEP = std::chrono::milliseconds(25);
constexpr float MIX_RISE = 1.12f;  // per step (1 dB): back to full within a few tenths of a second

// The game starts an effect on a fresh channel and turns it to its volume
// with the very next call. Room is made for it at the full gain it starts
// with; when the next volume set is its own, the level taken for that
// moment is given back at once (only as far as the mix then allows) rather
// than by MIX_RISE, or every quiet bump or beep would duck the whole mix.
// Told by the order of the calls, not by a time, so a loaded machine that
// stalls between them changes nothing. OpenAL Soft mixes in updates of tens
// of milliseconds: one that falls between the two calls hears the new voice
// at full gain with its room made, never more than the budget.

struct Voice {
  float gain = 1;
  float peak = 0;  // of the sound attached, 0..1
  bool sounding = false;
};

std::unordered_map<ALuint, float> gBufferPeaks;
std::unordered_map<ALuint, Voice> gVoices;
float gListenerGain = 1;
std::chrono::steady_clock::time_point gLastMixStep;

// The voice started last (0 once a volume was set after it), and the
// listener gain before its start.
struct Start {
  ALuint id = 0;
  float gainBefore = 1;
};
Start gLastStart;

float SamplePeak(const uint8_t* bytes, size_t size, int format) {
  int peak = 0;
  if (format == SF_MONO8 || format == SF_STEREO8) {
    for (size_t i = 0; i < size; ++i) peak = std::max(peak, std::abs(int(bytes[i]) - 128) * 256);
  } else {
    for (size_t i = 0; i + 1 < size; i += 2) peak = std::max(peak, std::abs(int(int16_t(bytes[i] | bytes[i + 1] << 8))));
  }
  return float(peak) / 32768.0f;
}

float MixEstimate() {
  double sum = 0, squares = 0;
  for (const auto& [id, voice] : gVoices) {
    if (!voice.sounding) continue;
    const double level = std::fabs(voice.gain) * voice.peak;
    sum += level;
    squares += level * level;
  }
  return float(std::min(sum, MIX_CROWD * std::sqrt(squares)));
}

// Turns down at once when the estimate grows; comes back by MIX_RISE per
// MIX_STEP of time, or straight to `riseTo` where the estimate allows.
// Every step the voices that have ended are found out.
void BalanceMix(float riseTo = 0) {
  if (!gContextLive) return;
  const auto now = std::chrono::steady_clock::now();
  const double steps = std::chrono::duration<double>(now - gLastMixStep) / MIX_STEP;
  if (steps >= 1) {
    for (auto& [id, voice] : gVoices) {
      if (!voice.sounding) continue;
      ALint state = AL_STOPPED;
      AL.alGetSourcei(id, AL_SOURCE_STATE, &state);
      // A voice being started right now is still "initial" to OpenAL.
      voice.sounding = state == AL_PLAYING || state == AL_INITIAL;
    }
  }
  const float estimate = MixEstimate();
  const float target = estimate > MIX_BUDGET ? MIX_BUDGET / estimate : 1.0f;
  float gain = gListenerGain;
  if (target < gain) {
    gain = target;
  } else {
    if (riseTo > gain) gain = std::min(target, riseTo);
    if (steps >= 1) gain = std::min(target, gain * float(std::pow(MIX_RISE, std::min(steps, 40.0))));
  }
  if (steps >= 1) gLastMixStep = now;
  if (gain != gListenerGain) {
    gListenerGain = gain;
    AL.alListenerf(AL_GAIN, gain);
  }
  AL.alGetError();
}

Voice* VoiceOf(ALuint id) {
  auto found = gVoices.find(id);
  return found == gVoices.end() ? nullptr : &found->second;
}

int SourceState(const TOpenALSource& source) {
  if (!source._id || source._context != TOpenALSource::gContextSeq) return AL_STOPPED;
  ALint state = AL_STOPPED;
  AL.alGetSourcei(source._id, AL_SOURCE_STATE, &state);
  AL.alGetError();
  return state;
}

// Stops the source and lets go of its buffer and sound.
void Detach(TOpenALSource& source) {
  if (auto voice = gVoices.find(source._id); voice != gVoices.end()) voice->second.sounding = false;
  AL.alSourceStop(source._id);
  AL.alSourcei(source._id, AL_BUFFER, 0);
  AL.alGetError();
  source._sound.reset();
}

void PushPool(const std::shared_ptr<TOpenALSource>& source) {
  source->_succ = TOpenALSource::gPool;
  TOpenALSource::gPool = source;
}

ALenum OpenALFormat(int format) {
  switch (format) {
    case SF_MONO8: return AL_FORMAT_MONO8;
    case SF_MONO16LE: return AL_FORMAT_MONO16;
    case SF_STEREO8: return AL_FORMAT_STEREO8;
    case SF_STEREO16LE: return AL_FORMAT_STEREO16;
    default: return 0;
  }
}
}  // namespace

std::shared_ptr<TOpenALSource> TOpenALSource::gPool;
int TOpenALSource::gContextSeq = 0;

int OpenALLibraryLoaded() {
  if (gLibraryLoaded < 0) gLibraryLoaded = LoadOpenAL() ? 1 : 0;
  return gLibraryLoaded;
}

void RegisterOpenALDriver() {
  if (OpenALLibraryLoaded()) new TOpenALAudioDriver("OpenAL", "");
}

int RegisterOpenALDevices() {
  if (gDevicesRegistered >= 0) return gDevicesRegistered;
  gDevicesRegistered = OpenALLibraryLoaded();
  if (!gDevicesRegistered) {
    std::fprintf(stderr, "velmora: no OpenAL library (libopenal.so.1) found; playing without sound\n");
    return 0;
  }
  // A list of names, each ended by a zero byte, the whole ended by another.
  const ALCchar* name = nullptr;
  {
    QuietStderr quiet;
    name = AL.alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
  }
  for (int count = 0; name && *name && count < 100; ++count) {
    new TOpenALAudioDriver(std::string("OpenAL ") + name, name);
    name += std::strlen(name) + 1;
  }
  const ALCchar* fallback = AL.alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
  new TOpenALAudioDriver("OpenAL Default", fallback ? fallback : "");
  return 1;
}

TOpenALAudioDriver::TOpenALAudioDriver(const std::string& name, const std::string& devname)
    : _name(name), _devname(devname) {}

std::string TOpenALAudioDriver::Name() { return _name; }

int TOpenALAudioDriver::Startup() {
  if (!OpenALLibraryLoaded() || gContextLive) return 0;
  ALCdevice* device = nullptr;
  {
    QuietStderr quiet;
    if (_devname.empty()) {
      device = AL.alcOpenDevice(nullptr);
      if (!device) device = AL.alcOpenDevice("Generic Hardware");
      if (!device) device = AL.alcOpenDevice("Generic Software");
    } else {
      device = AL.alcOpenDevice(_devname.c_str());
    }
  }
  if (!device) {
    std::fprintf(stderr, "velmora: no sound device for audio driver \"%s\"; playing without sound\n", _name.c_str());
    return 0;
  }
  // OpenAL Soft's limiter keeps a crowded mix from clipping in the sound
  // server; it is on by default only for integer output, so it is asked
  // for wherever the device knows the request.
  ALCint attributes[3] = {0, 0, 0};
  if (AL.alcIsExtensionPresent(device, "ALC_SOFT_output_limiter")) {
    attributes[0] = ALC_OUTPUT_LIMITER_SOFT;
    attributes[1] = ALC_TRUE;
  }
  ALCcontext* context = AL.alcCreateContext(device, attributes);
  if (!context) {
    AL.alcCloseDevice(device);
    std::fprintf(stderr, "velmora: cannot start audio driver \"%s\"; playing without sound\n", _name.c_str());
    return 0;
  }
  AL.alcMakeContextCurrent(context);
  // Sounds are positioned only for panning: no fading with distance.
  AL.alDistanceModel(AL_NONE);
  AL.alGetError();
  _device = device;
  _context = context;
  gContextLive = true;
  gListenerGain = 1;
  gLastStart = {};
  gVoices.clear();
  gBufferPeaks.clear();
  ++TOpenALSource::gContextSeq;
  return 1;
}

void TOpenALAudioDriver::Shutdown() {
  if (!_context) return;
  for (auto& weak : gLiveSources) {
    if (auto source = weak.lock(); source && source->_id && source->_context == TOpenALSource::gContextSeq) {
      Detach(*source);
      AL.alDeleteSources(1, &source->_id);
      source->_id = 0;
    }
  }
  TOpenALSource::gPool.reset();
  for (auto& weak : gLiveSounds) {
    if (auto sound = weak.lock(); sound && sound->_buffer && sound->_context == TOpenALSource::gContextSeq) {
      AL.alDeleteBuffers(1, &sound->_buffer);
      sound->_buffer = 0;
    }
  }
  AL.alGetError();
  gLiveSources.clear();
  gLiveSounds.clear();
  gVoices.clear();
  gBufferPeaks.clear();
  AL.alcMakeContextCurrent(nullptr);
  AL.alcDestroyContext(static_cast<ALCcontext*>(_context));
  AL.alcCloseDevice(static_cast<ALCdevice*>(_device));
  _context = nullptr;
  _device = nullptr;
  gContextLive = false;
  ++TOpenALSource::gContextSeq;
}

std::shared_ptr<TSound> TOpenALAudioDriver::CreateSound(std::shared_ptr<TAudioSample> sample, int flags) {
  if (!sample) return nullptr;
  if (!_context) return TAudioDriver::CreateSound(sample, flags);
  int format = sample->format;
  const size_t frameBytes = BytesPerFrame(format);
  if (frameBytes == 0 || sample->hertz <= 0) return TAudioDriver::CreateSound(sample, flags);
  const size_t frames = std::min(static_cast<size_t>(std::max(sample->length, 0)), sample->samples.size() / frameBytes);
  // Only big-endian samples need a converted copy; the music is large
  // enough that a needless one shows in the peak memory.
  std::vector<uint8_t> swapped;
  const uint8_t* bytes = sample->samples.data();
  if (format == SF_MONO16BE || format == SF_STEREO16BE) {
    swapped.assign(sample->samples.begin(), sample->samples.begin() + frames * frameBytes);
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    format = format == SF_MONO16BE ? SF_MONO16LE : SF_STEREO16LE;
    bytes = swapped.data();
  }
  AL.alGetError();
  ALuint buffer = 0;
  AL.alGenBuffers(1, &buffer);
  if (AL.alGetError() != AL_NO_ERROR) return TAudioDriver::CreateSound(sample, flags);
  AL.alBufferData(buffer, OpenALFormat(format), bytes, static_cast<ALsizei>(frames * frameBytes), sample->hertz);
  if (AL.alGetError() != AL_NO_ERROR) {
    AL.alDeleteBuffers(1, &buffer);
    AL.alGetError();
    return TAudioDriver::CreateSound(sample, flags);
  }
  gBufferPeaks[buffer] = SamplePeak(bytes, frames * frameBytes, format);
  auto sound = std::make_shared<TOpenALSound>();
  sound->_buffer = buffer;
  sound->_loop = flags & SOUND_LOOP;
  sound->_context = TOpenALSource::gContextSeq;
  Remember(gLiveSounds, sound);
  return sound;
}

std::shared_ptr<TChannel> TOpenALAudioDriver::AllocChannel() { return TOpenALChannel::Create(1); }

TOpenALSound::~TOpenALSound() {
  if (_buffer && gContextLive && _context == TOpenALSource::gContextSeq) {
    gBufferPeaks.erase(_buffer);
    AL.alDeleteBuffers(1, &_buffer);
    AL.alGetError();
  }
}

std::shared_ptr<TChannel> TOpenALSound::Cue(std::shared_ptr<TChannel> channel) {
  auto openal = std::dynamic_pointer_cast<TOpenALChannel>(channel);
  if (!openal) openal = TOpenALChannel::Create(0);
  openal->Cue(std::static_pointer_cast<TOpenALSound>(shared_from_this()));
  return openal;
}

std::shared_ptr<TChannel> TOpenALSound::Play(std::shared_ptr<TChannel> channel) {
  auto openal = Cue(channel);
  openal->SetPaused(0);
  return openal;
}

TOpenALSource::~TOpenALSource() {
  if (_id && gContextLive && _context == gContextSeq) {
    gVoices.erase(_id);
    AL.alDeleteSources(1, &_id);
    AL.alGetError();
  }
}

int TOpenALSource::Playing() { return SourceState(*this) == AL_PLAYING ? 1 : 0; }

int TOpenALSource::Paused() {
  const int state = SourceState(*this);
  return state == AL_PAUSED || state == AL_INITIAL ? 1 : 0;
}

int TOpenALSource::Active() {
  const int state = SourceState(*this);
  return state == AL_PLAYING || state == AL_PAUSED || state == AL_INITIAL ? 1 : 0;
}

std::shared_ptr<TOpenALChannel> TOpenALChannel::Create(int isStatic) {
  auto channel = std::make_shared<TOpenALChannel>();
  channel->_static = isStatic ? 1 : 0;
  // With no live context the channel gets no source and does nothing.
  if (!gContextLive) return channel;
  std::shared_ptr<TOpenALSource> source;
  TOpenALSource* previous = nullptr;
  for (auto candidate = TOpenALSource::gPool; candidate; candidate = candidate->_succ) {
    if (candidate->_avail || !candidate->Active()) {
      source = candidate;
      break;
    }
    previous = candidate.get();
  }
  if (source) {
    // Taking it disowns whichever channel object still points at it.
    ++source->_seq;
    (previous ? previous->_succ : TOpenALSource::gPool) = source->_succ;
    source->_succ.reset();
    source->_avail = 0;
    AL.alSourceRewind(source->_id);
    AL.alSourcei(source->_id, AL_BUFFER, 0);
    source->_sound.reset();
  } else {
    AL.alGetError();
    ALuint id = 0;
    AL.alGenSources(1, &id);
    if (AL.alGetError() != AL_NO_ERROR) return channel;
    source = std::make_shared<TOpenALSource>();
    source->_id = id;
    source->_context = TOpenALSource::gContextSeq;
    Remember(gLiveSources, source);
  }
  channel->_source = source;
  channel->_seq = source->_seq;
  gVoices[source->_id] = Voice{};
  AL.alSourcei(source->_id, AL_SOURCE_RELATIVE, AL_TRUE);
  AL.alSourcef(source->_id, AL_GAIN, 1.0f);
  AL.alSourcef(source->_id, AL_PITCH, 1.0f);
  AL.alSource3f(source->_id, AL_POSITION, 0.0f, 0.0f, 1.0f);
  AL.alGetError();
  // A temporary channel's source is reusable as soon as it falls silent.
  if (!isStatic) PushPool(source);
  return channel;
}

TOpenALChannel::~TOpenALChannel() {
  if (!Owns()) return;
  if (_static) {
    Stop();
  } else if (!_source->Playing()) {
    // A cued or paused throw-away channel would otherwise hold its source
    // forever: stopping a source that never played leaves it "initial".
    Detach(*_source);
    _source->_avail = 1;
  }
}

int TOpenALChannel::Owns() const {
  return _source && _source->_id && _source->_context == TOpenALSource::gContextSeq && _source->_seq == _seq
             ? 1
             : 0;
}

void TOpenALChannel::Cue(const std::shared_ptr<TOpenALSound>& sound) {
  if (!Owns() || !sound) return;
  const ALuint id = _source->_id;
  _source->_sound = sound;
  AL.alSourceRewind(id);
  AL.alSourcei(id, AL_LOOPING, sound->_loop ? AL_TRUE : AL_FALSE);
  const bool current = sound->_context == TOpenALSource::gContextSeq;
  AL.alSourcei(id, AL_BUFFER, current ? static_cast<ALint>(sound->_buffer) : 0);
  AL.alGetError();
  if (Voice* voice = VoiceOf(id)) {
    auto peak = gBufferPeaks.find(sound->_buffer);
    voice->peak = current && peak != gBufferPeaks.end() ? peak->second : 0.0f;
    voice->sounding = false;
  }
}

int TOpenALChannel::Stop() {
  if (!Owns()) return 0;
  ++_source->_seq;
  Detach(*_source);
  if (_static) {
    _source->_avail = 1;
    PushPool(_source);
  }
  return 1;
}

int TOpenALChannel::SetPaused(int paused) {
  if (!Owns()) return 0;
  Voice* voice = VoiceOf(_source->_id);
  if (paused) {
    AL.alSourcePause(_source->_id);
    if (voice) voice->sounding = false;
  } else if (_source->Paused()) {
    // Room is made before the new voice is heard.
    const float before = gListenerGain;
    if (voice) voice->sounding = true;
    BalanceMix();
    gLastStart = {_source->_id, before};
    AL.alSourcePlay(_source->_id);
  }
  AL.alGetError();
  return 1;
}

int TOpenALChannel::SetVolume(float volume) {
  if (!Owns()) return 0;
  if (Voice* voice = VoiceOf(_source->_id)) voice->gain = volume;
  const bool justStarted = gLastStart.id == _source->_id;
  gLastStart.id = 0;
  BalanceMix(justStarted ? gLastStart.gainBefore : 0.0f);
  AL.alSourcef(_source->_id, AL_GAIN, volume);
  AL.alGetError();
  return 1;
}

int TOpenALChannel::SetPan(float pan) {
  if (!Owns()) return 0;
  const double angle = pan * 90.0 * M_PI / 180.0;
  AL.alSource3f(_source->_id, AL_POSITION, static_cast<float>(std::sin(angle)), 0.0f,
                static_cast<float>(-std::cos(angle)));
  AL.alGetError();
  return 1;
}

int TOpenALChannel::SetDepth(float) { return 0; }

int TOpenALChannel::SetRate(float rate) {
  if (!Owns()) return 0;
  // The game sets rates every tick: the mix is looked at as often.
  BalanceMix();
  AL.alSourcef(_source->_id, AL_PITCH, rate);
  AL.alGetError();
  return 1;
}

int TOpenALChannel::Playing() { return Owns() ? _source->Playing() : 0; }
