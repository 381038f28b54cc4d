/* Writes and reads back an empty scene through an installed QEV_3DS. */
#include <stdio.h>

#include "qev_3ds.h"

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "consumer.3ds";
  int32_t zero = 0, status = -1, layers = -1;
  if (QEV_FORM_3DS_FILENAME(path) != QEV_OK) return 1;
  QEV_PUT_3DS_N_LAYER(&zero);
  QEV_PUT_3DS_END(&status);
  if (status != QEV_OK) return 2;
  if (QEV_READ_3DS_FILENAME(path, &status) != QEV_READ_OK) return 3;
  QEV_READ_3DS_N_LAYER(&layers);
  QEV_READ_3DS_END();
  printf("consumer: wrote and read %s (%d layers)\n", path, layers);
  return layers == 0 ? 0 : 4;
}
