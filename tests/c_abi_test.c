/* The C boundary from C: all thirteen functions through plain pointers,
 * linked against the shared library as a host links it. */
#include <stdio.h>
#include <string.h>

#include "qev_3ds.h"

static int failures = 0;

#define CHECK(cond)                                                      \
  do {                                                                   \
    if (!(cond)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                        \
    }                                                                    \
  } while (0)

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "c_abi_test.3ds";
  int32_t n_layers = 2, k, t, n, status = -1, zero = 0, transparency = 40;
  int32_t red = 10, green = 20, blue = 30, smoothing = 2;
  int32_t edges[3] = {1, 1, 1};
  float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  float mapping[6] = {0, 0, 1, 0, 0, 1};
  char name[64], texture[64];

  CHECK(QEV_FORM_3DS_FILENAME(path) == QEV_OK);
  QEV_PUT_3DS_N_LAYER(&n_layers);
  k = 1;
  CHECK(QEV_PUT_3DS_LAYER(&k, "Plain", &transparency, &red, &green, &blue, "") == 0);
  k = 2;
  CHECK(QEV_PUT_3DS_LAYER(&k, "Tex", &zero, &red, &green, &blue, "t.bmp") == 0);
  for (k = 1; k <= 2; ++k) {
    n = 1;
    CHECK(QEV_PUT_3DS_N_TRI(&k, &n) == (k == 1 ? 2 : 1));
    t = 1;
    CHECK(QEV_PUT_3DS_TRIANGLE(&k, &t, &smoothing, corners, edges, mapping) == 1);
    CHECK(QEV_PUT_3DS_TRIANGLE_END() == 0);
  }
  CHECK(QEV_PUT_3DS_END(&status) == 0 && status == 0);

  CHECK(QEV_READ_3DS_FILENAME(path, &status) == QEV_READ_OK && status == 0);
  CHECK(QEV_READ_3DS_N_LAYER(&n) == 2 && n == 2);
  for (k = 1; k <= 2; ++k) {
    QEV_READ_3DS_LAYER(&k, name, &transparency, &red, &green, &blue, texture);
    CHECK(strcmp(name, k == 1 ? "Plain" : "Tex") == 0);
    CHECK(strcmp(texture, k == 1 ? "" : "t.bmp") == 0);
    CHECK(red == 10 && green == 20 && blue == 30);
    QEV_READ_3DS_N_TRI(&k, &n);
    CHECK(n == 1);
    t = 1;
    CHECK(QEV_READ_3DS_TRIANGLE(&k, &t, &smoothing, corners, mapping) == 1);
    CHECK(smoothing == 2 && corners[3] == 1.0f && mapping[2] == (k == 2 ? 1.0f : 0.0f));
  }
  CHECK(QEV_READ_3DS_END() == 0);
  remove(path);
  if (failures == 0) printf("c_abi_test: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
