// Feeds arbitrary bytes to the WAV loader: it must decline or decode, never
// read out of bounds.
#include <cstddef>
#include <cstdint>

#include "engine/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto sample = LoadWavSample(data, size);
  if (sample && size_t(sample->length) * BytesPerFrame(sample->format) > sample->samples.size())
    __builtin_trap();
  return 0;
}
