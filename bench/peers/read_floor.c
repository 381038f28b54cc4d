/* read_floor FILE.3ds: the floor for reading a scene, a chunk walk that
 * reads each array with one fread into memory of its own and keeps it until
 * the end, as any reader that hands the scene back must; prints the timing
 * line. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "timing.h"

static long triangles = 0;
static void** kept = NULL;
static size_t kept_count = 0, kept_capacity = 0;

static void keep(void* p) {
  if (kept_count == kept_capacity) {
    kept_capacity = kept_capacity ? 2 * kept_capacity : 1024;
    kept = realloc(kept, kept_capacity * sizeof *kept);
  }
  kept[kept_count++] = p;
}

static int walk(FILE* f, long end) {
  unsigned char h[6];
  while (ftell(f) < end) {
    const long start = ftell(f);
    if (fread(h, 1, 6, f) != 6) return -1;
    const unsigned id = h[0] | (h[1] << 8);
    const uint32_t len =
        (uint32_t)h[2] | ((uint32_t)h[3] << 8) | ((uint32_t)h[4] << 16) | ((uint32_t)h[5] << 24);
    if (len < 6) return -1;
    if (id == 0x4D4D || id == 0x3D3D || id == 0x4100) {
      if (walk(f, start + (long)len) != 0) return -1;
    } else if (id == 0x4000) {
      int c;
      while ((c = fgetc(f)) > 0) {
      }
      if (walk(f, start + (long)len) != 0) return -1;
    } else if (id == 0x4110 || id == 0x4140 || id == 0x4120) {
      unsigned char n2[2];
      if (fread(n2, 1, 2, f) != 2) return -1;
      const size_t n = (size_t)(n2[0] | (n2[1] << 8));
      const size_t size = n * (id == 0x4110 ? 12 : 8);
      void* array = malloc(size ? size : 1);
      if (array == NULL || fread(array, 1, size, f) != size) return -1;
      if (id == 0x4120) triangles += (long)n;
      keep(array);
      fseek(f, start + (long)len, SEEK_SET);
    } else {
      fseek(f, start + (long)len, SEEK_SET);
    }
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const double baseline = resident_mb();
  const double start = now_seconds();
  FILE* f = fopen(argv[1], "rb");
  if (f == NULL) return 1;
  fseek(f, 0, SEEK_END);
  const long size = ftell(f);
  rewind(f);
  const int rc = walk(f, size);
  fclose(f);
  report(now_seconds() - start, baseline, triangles);
  for (size_t i = 0; i < kept_count; ++i) free(kept[i]);
  free(kept);
  return rc == 0 ? 0 : 1;
}
