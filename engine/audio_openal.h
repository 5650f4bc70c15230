// The OpenAL audio driver: the library loaded at run time, one driver per
// device, sounds as OpenAL buffers and channels over a pool of sources.
#pragma once

#include <memory>
#include <string>

#include "engine/sound.h"

// Registers the "OpenAL" driver (default device) when the library loads.
void RegisterOpenALDriver();
// 1 when the OpenAL library was loaded and every function it needs found.
int OpenALLibraryLoaded();
// Once: one driver per OpenAL device, and "OpenAL Default"; whether OpenAL is usable.
int RegisterOpenALDevices();

class TOpenALAudioDriver : public TAudioDriver {
public:
  std::string _name;
  std::string _devname;  // empty: the default device
  void* _device = nullptr;
  void* _context = nullptr;

  TOpenALAudioDriver(const std::string& name, const std::string& devname);
  std::string Name() override;
  int Startup() override;
  void Shutdown() override;
  std::shared_ptr<TSound> CreateSound(std::shared_ptr<TAudioSample> sample, int flags) override;
  std::shared_ptr<TChannel> AllocChannel() override;
};

class TOpenALSound : public TSound {
public:
  unsigned int _buffer = 0;
  int _loop = 0;
  int _context = 0;  // the context generation the buffer belongs to

  ~TOpenALSound() override;
  std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel = nullptr) override;
  std::shared_ptr<TChannel> Cue(std::shared_ptr<TChannel> channel = nullptr) override;
};

class TOpenALSource {
public:
  std::shared_ptr<TOpenALSource> _succ;  // next in the pool
  unsigned int _id = 0;
  int _seq = 0;  // ownership counter: a channel owns it while their _seq match
  std::shared_ptr<TSound> _sound;
  int _avail = 0;    // 1: free for reuse at once
  int _context = 0;  // the context generation the source belongs to

  // Head of the pool of sources not held by a static channel.
  static std::shared_ptr<TOpenALSource> gPool;
  // Bumped whenever a context is made or destroyed; older objects go quiet.
  static int gContextSeq;

  ~TOpenALSource();
  int Playing();
  int Paused();
  int Active();
};

class TOpenALChannel : public TChannel {
public:
  std::shared_ptr<TOpenALSource> _source;
  int _seq = 0;
  int _static = 0;

  // A channel over a free (or new) source; a static one is kept by the caller.
  static std::shared_ptr<TOpenALChannel> Create(int isStatic);

  ~TOpenALChannel() override;
  int Owns() const;
  void Cue(const std::shared_ptr<TOpenALSound>& sound);
  int Stop() override;
  int SetPaused(int paused) override;
  int SetVolume(float volume) override;
  int SetPan(float pan) override;
  int SetDepth(float depth) override;
  int SetRate(float rate) override;
  int Playing() override;
};
