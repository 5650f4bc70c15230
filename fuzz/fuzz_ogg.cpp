// Feeds arbitrary bytes to the Ogg Vorbis loader.
#include <cstddef>
#include <cstdint>

#include "engine/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto sample = LoadOggSample(data, size);
  if (sample && size_t(sample->length) * BytesPerFrame(sample->format) > sample->samples.size())
    __builtin_trap();
  return 0;
}
