/* Wall time and memory of one load, printed the same way by every reader of
 * the peer comparison: "seconds peak_MB baseline_MB count". */
#ifndef QEV_BENCH_TIMING_H
#define QEV_BENCH_TIMING_H

#include <stdio.h>
#include <sys/resource.h>
#include <time.h>

static double now_seconds(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

/* Resident memory now, in MB. */
static double resident_mb(void) {
  long pages = 0, resident = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f != NULL) {
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    fclose(f);
  }
  return (double)resident * 4096.0 / 1e6;
}

static double peak_mb(void) {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return (double)ru.ru_maxrss / 1e3;
}

static void report(double seconds, double baseline, long count) {
  printf("%.4f %.1f %.1f %ld\n", seconds, peak_mb(), baseline, count);
}

#endif
