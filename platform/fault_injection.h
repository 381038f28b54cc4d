// A build-time seam that makes a chosen file call or allocation fail. The
// shipped library is built without QEV_FAULT_INJECTION and compiles every
// check below to nothing.
#pragma once

namespace qev::platform {

enum class FaultPoint { open, read, write, seek, tell, close, alloc, measure };

#if defined(QEV_FAULT_INJECTION)
// True when this call of the given kind is the one chosen to fail.
bool should_fail(FaultPoint point);
// Fail the nth (1-based) of the counted calls from now on; 0 disables.
void fail_nth_call(long nth);
// Counted calls since the last fail_nth_call.
long counted_calls();
#else
inline bool should_fail(FaultPoint) { return false; }
#endif

}  // namespace qev::platform
