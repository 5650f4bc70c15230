/* Preloaded into the game by the fault tests: every attempt to load the
   OpenAL runtime fails, as on a machine where it is not installed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <string.h>

void* dlopen(const char* name, int flags) {
  static void* (*real_dlopen)(const char*, int);
  if (name && strstr(name, "openal")) return NULL;
  if (!real_dlopen) real_dlopen = (void* (*)(const char*, int))dlsym(RTLD_NEXT, "dlopen");
  return real_dlopen(name, flags);
}
