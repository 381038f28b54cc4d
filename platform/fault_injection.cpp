// Counter behind the fault-injection seam; compiled only into test builds.
#include "platform/fault_injection.h"

#if defined(QEV_FAULT_INJECTION)
namespace qev::platform {
namespace {
long g_target = 0;
long g_count = 0;
}  // namespace

bool should_fail(FaultPoint) {
  ++g_count;
  return g_target != 0 && g_count == g_target;
}

void fail_nth_call(long nth) {
  g_target = nth;
  g_count = 0;
}

long counted_calls() { return g_count; }
}  // namespace qev::platform
#endif
