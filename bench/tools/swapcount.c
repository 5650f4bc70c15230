/* Preloaded into the game by bench/run: counts presented frames and notes
   when the first ones appear, then reports them with the peak memory and
   CPU time when the process ends. The game itself writes nothing. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <sys/resource.h>

#define MAX_TIMES 100000
static long gSwaps;
static double gSwapTimes[MAX_TIMES];  /* ms since the epoch, so a script can count a window */

static double now_ms(void) {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

static void report(void) {
  const char* path = getenv("VELMORA_BENCH_REPORT");
  FILE* f = path ? fopen(path, "w") : NULL;
  if (!f) return;
  const char* t0 = getenv("VELMORA_BENCH_T0");
  double start = t0 ? atof(t0) : 0;
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  fprintf(f, "swaps %ld\n", gSwaps);
  for (int i = 0; i < 3 && i < gSwaps; ++i) fprintf(f, "swap%d_ms %.1f\n", i + 1, gSwapTimes[i] - start);
  fprintf(f, "peak_rss_kb %ld\n", usage.ru_maxrss);
  fprintf(f, "cpu_s %.3f\n", usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
  for (long i = 0; i < gSwaps && i < MAX_TIMES; ++i) fprintf(f, "swap_at %.1f\n", gSwapTimes[i]);
  fclose(f);
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  static void (*real)(void*, unsigned long);
  if (!real) {
    real = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    atexit(report);
  }
  if (gSwaps < MAX_TIMES) gSwapTimes[gSwaps] = now_ms();
  ++gSwaps;
  real(display, drawable);
}
