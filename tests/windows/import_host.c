/* A C host linked against an import library (MinGW's libQEV_3DS.dll.a or
 * the MSVC-style QEV_3DS.lib) instead of loading the DLL by name: writes a
 * textured layer of two triangles, reads it back and checks what returns.
 * Uses nothing but kernel32, so it also builds freestanding, as clang in
 * MSVC mode does without the MSVC runtime (QEV_FREESTANDING). */
#include "qev_3ds.h"

typedef unsigned long qev_dword;
__declspec(dllimport) void* __stdcall GetStdHandle(qev_dword which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, qev_dword size,
                                              qev_dword* written, void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

static void say(const char* text) {
  qev_dword n = 0, written = 0;
  while (text[n] != '\0') ++n;
  WriteFile(GetStdHandle((qev_dword)-11), text, n, &written, 0);
}

static int failures = 0;

static void check(int ok, const char* what) {
  if (!ok) {
    say("FAILED: ");
    say(what);
    say("\n");
    ++failures;
  }
}

static int same_text(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

static int run(void) {
  const int32_t one = 1, two = 2, zero = 0, transparency = 25, red = 200, green = 100, blue = 50;
  const int32_t flags[3] = {1, 1, 0};
  float corners[2][9] = {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 0, 0, 1, 1, 0, 0, 1, 0}};
  float mapping[2][6] = {{0, 0, 1, 0, 0, 1}, {1, 0, 1, 1, 0, 1}};
  int32_t status = -1, layers = 0, count = 0, smoothing = 0, t = 0, r = 0, g = 0, b = 0, k;
  char name[80], texture[80];
  float got[9], got_map[6];

  check(QEV_FORM_3DS_FILENAME("import_host.3ds") == QEV_OK, "file created");
  check(QEV_PUT_3DS_N_LAYER(&one) == QEV_OK, "one layer declared");
  check(QEV_PUT_3DS_LAYER(&one, "Plate", &transparency, &red, &green, &blue, "PLATE.BMP") == QEV_OK,
        "layer described");
  /* For layer 1 the answer is the declared layer count. */
  check(QEV_PUT_3DS_N_TRI(&one, &two) == 1, "two triangles announced");
  for (k = 0; k < 2; ++k) {
    const int32_t number = k + 1;
    check(QEV_PUT_3DS_TRIANGLE(&one, &number, &one, corners[k], flags, mapping[k]) == number,
          "triangle staged");
  }
  check(QEV_PUT_3DS_TRIANGLE_END() == QEV_OK, "layer written");
  check(QEV_PUT_3DS_END(&status) == QEV_OK && status == 0, "file finished");

  check(QEV_READ_3DS_FILENAME("import_host.3ds", &status) == QEV_OK && status == QEV_READ_OK,
        "file read");
  check(QEV_READ_3DS_N_LAYER(&layers) == 1 && layers == 1, "one layer read");
  check(QEV_READ_3DS_LAYER(&one, name, &t, &r, &g, &b, texture) == QEV_OK, "layer read");
  check(same_text(name, "Plate") && same_text(texture, "PLATE.BMP"), "name and texture back");
  check(t == 25 && r == 200 && g == 100 && b == 50, "transparency and colour back");
  check(QEV_READ_3DS_N_TRI(&one, &count) == QEV_OK && count == 2, "two triangles read");
  for (k = 0; k < 2; ++k) {
    const int32_t number = k + 1;
    int i;
    /* The answer counts the triangles of this layer fetched so far. */
    check(QEV_READ_3DS_TRIANGLE(&one, &number, &smoothing, got, got_map) == number,
          "triangle read");
    for (i = 0; i < 9; ++i) check(got[i] == corners[k][i], "corner back");
    for (i = 0; i < 6; ++i) check(got_map[i] == mapping[k][i], "mapping back");
    check(smoothing == 1, "smoothing back");
  }
  check(QEV_READ_3DS_TRIANGLE(&one, &zero, &smoothing, got, got_map) == QEV_ERR_OUT_OF_RANGE,
        "triangle 0 refused");
  check(QEV_READ_3DS_END() == 0, "reader closed with every triangle fetched");
  say(failures == 0 ? "import host: all checks passed\n" : "import host: some checks failed\n");
  return failures == 0 ? 0 : 1;
}

#if defined(QEV_FREESTANDING)
/* What the compiler may call or reference without a C runtime. */
int _fltused = 0;
void* memset(void* to, int value, __SIZE_TYPE__ n) {
  unsigned char* p = (unsigned char*)to;
  while (n-- > 0) *p++ = (unsigned char)value;
  return to;
}
void* memcpy(void* to, const void* from, __SIZE_TYPE__ n) {
  unsigned char* p = (unsigned char*)to;
  const unsigned char* q = (const unsigned char*)from;
  while (n-- > 0) *p++ = *q++;
  return to;
}
void __cdecl mainCRTStartup(void) { ExitProcess((unsigned int)run()); }
#else
int main(void) { return run(); }
#endif
