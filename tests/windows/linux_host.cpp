// The same script against the library linked directly, for the byte-for-byte
// comparison with the files the Windows DLL writes.
#include <cstdio>

#include "scene_script.h"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? std::string(argv[1]) + "/" : std::string();
  const HostApi api = {QEV_FORM_3DS_FILENAME, QEV_PUT_3DS_N_LAYER,   QEV_PUT_3DS_LAYER,
                       QEV_PUT_3DS_N_TRI,     QEV_PUT_3DS_TRIANGLE,  QEV_PUT_3DS_TRIANGLE_END,
                       QEV_PUT_3DS_END,       QEV_READ_3DS_FILENAME, QEV_READ_3DS_N_LAYER,
                       QEV_READ_3DS_LAYER,    QEV_READ_3DS_N_TRI,    QEV_READ_3DS_TRIANGLE,
                       QEV_READ_3DS_END};
  const script::Tally t = script::run(api, dir);
  std::printf("linux host: %d passed, %d failed\n", t.passed, t.failed);
  return t.failed == 0 ? 0 : 1;
}
