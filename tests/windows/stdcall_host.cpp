// A 32-bit host as classic Visual Basic calls the library: every one of the
// thirteen functions through a __stdcall pointer, with the stack pointer
// taken before the arguments are pushed and after the call returns. A callee
// in the stdcall convention removes exactly its arguments, so the two agree;
// a callee in the C convention leaves them, and the difference is reported.
// Runs the shared script through these calls. Arguments: the output folder
// and the DLL to load (QEV_3DS_STDCALL.dll unless named).
#include <windows.h>

#include <initializer_list>

#include "scene_script.h"

extern "C" int32_t qev_call_stdcall(void* fn, const void* const* args, int32_t n, int32_t* result);

// Pushes args[n-1] .. args[0], calls fn and returns how far the stack
// pointer moved across the call (0 when the callee removed n * 4 bytes). The
// stack pointer is put back either way, so the host goes on after a mismatch.
__asm__(
    ".text\n"
    ".globl _qev_call_stdcall\n"
    "_qev_call_stdcall:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  pushl %ebx\n"
    "  movl 12(%ebp), %esi\n"
    "  movl 16(%ebp), %ecx\n"
    "  movl %esp, %edi\n"
    "1:\n"
    "  testl %ecx, %ecx\n"
    "  jz 2f\n"
    "  pushl -4(%esi,%ecx,4)\n"
    "  decl %ecx\n"
    "  jmp 1b\n"
    "2:\n"
    "  call *8(%ebp)\n"
    "  movl 20(%ebp), %ecx\n"
    "  movl %eax, (%ecx)\n"
    "  movl %esp, %eax\n"
    "  subl %edi, %eax\n"
    "  movl %edi, %esp\n"
    "  popl %ebx\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");

namespace {

void* g_exports[13];
int g_moved = 0;

int32_t call(int index, std::initializer_list<const void*> args) {
  const void* packed[8] = {};
  int32_t n = 0;
  for (const void* a : args) packed[n++] = a;
  int32_t result = 0;
  const int32_t moved = qev_call_stdcall(g_exports[index], packed, n, &result);
  if (moved != 0) {
    if (g_moved++ < 13)
      std::printf("%s: stack pointer moved by %d bytes across the call\n", kExportNames[index],
                  moved);
  }
  return result;
}

// The script's table takes C-convention functions; each forwards through the probe.
int32_t form(const char* p) { return call(0, {p}); }
int32_t n_layer(const int32_t* n) { return call(1, {n}); }
int32_t layer(const int32_t* k, const char* name, const int32_t* t, const int32_t* r,
              const int32_t* g, const int32_t* b, const char* tex) {
  return call(2, {k, name, t, r, g, b, tex});
}
int32_t n_tri(const int32_t* k, const int32_t* n) { return call(3, {k, n}); }
int32_t triangle(const int32_t* k, const int32_t* i, const int32_t* s, const float* c,
                 const int32_t* e, const float* m) {
  return call(4, {k, i, s, c, e, m});
}
int32_t triangle_end() { return call(5, {}); }
int32_t end(int32_t* status) { return call(6, {status}); }
int32_t read_file(const char* p, int32_t* status) { return call(7, {p, status}); }
int32_t read_n_layer(int32_t* n) { return call(8, {n}); }
int32_t read_layer(const int32_t* k, char* name, int32_t* t, int32_t* r, int32_t* g, int32_t* b,
                   char* tex) {
  return call(9, {k, name, t, r, g, b, tex});
}
int32_t read_n_tri(const int32_t* k, int32_t* n) { return call(10, {k, n}); }
int32_t read_triangle(const int32_t* k, const int32_t* i, int32_t* s, float* c, float* m) {
  return call(11, {k, i, s, c, m});
}
int32_t read_end() { return call(12, {}); }

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? std::string(argv[1]) + "\\" : std::string();
  const char* dll_name = argc > 2 ? argv[2] : "QEV_3DS_STDCALL.dll";
  HMODULE dll = LoadLibraryA(dll_name);
  if (dll == nullptr) {
    std::printf("cannot load %s\n", dll_name);
    return 1;
  }
  for (int i = 0; i < 13; ++i) {
    g_exports[i] = reinterpret_cast<void*>(GetProcAddress(dll, kExportNames[i]));
    if (g_exports[i] == nullptr) {
      std::printf("%s lacks the export %s\n", dll_name, kExportNames[i]);
      return 1;
    }
  }
  const HostApi api{form,         n_layer,       layer,     n_tri,        triangle,
                    triangle_end, end,           read_file, read_n_layer, read_layer,
                    read_n_tri,   read_triangle, read_end};
  const script::Tally t = script::run(api, dir);
  std::printf("stdcall host on %s: %d passed, %d failed, %d calls moved the stack pointer\n",
              dll_name, t.passed, t.failed, g_moved);
  FreeLibrary(dll);
  return t.failed == 0 && g_moved == 0 ? 0 : 1;
}
