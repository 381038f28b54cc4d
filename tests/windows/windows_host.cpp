// A Windows host (32-bit as shipped; 64-bit where only wine64 runs): loads
// QEV_3DS.dll by name, finds the thirteen functions by their undecorated
// names and runs the shared script.
#include <windows.h>

#include <cstdio>

#include "scene_script.h"

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? std::string(argv[1]) + "\\" : std::string();
  HMODULE dll = LoadLibraryA("QEV_3DS.dll");
  if (dll == nullptr) {
    std::printf("cannot load QEV_3DS.dll\n");
    return 1;
  }
  void* table[13];
  for (int i = 0; i < 13; ++i) {
    table[i] = reinterpret_cast<void*>(GetProcAddress(dll, kExportNames[i]));
    if (table[i] == nullptr) {
      std::printf("missing export %s\n", kExportNames[i]);
      return 1;
    }
  }
  HostApi api;
  static_assert(sizeof api == sizeof table, "one pointer per export");
  std::memcpy(&api, table, sizeof api);
  const script::Tally t = script::run(api, dir);
  std::printf("windows host: %d passed, %d failed\n", t.passed, t.failed);
  FreeLibrary(dll);
  return t.failed == 0 ? 0 : 1;
}
