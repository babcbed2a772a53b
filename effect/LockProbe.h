// Test seam for the audio thread's lock discipline. A build of the effect
// with ONDULAXIS_LOCK_PROBE defined reports every entry into and exit from
// stateLock, and every change-handler and kernel call, to functions that the
// test program defines; they run on the thread that does the thing. In every
// other build the hooks are empty and cost nothing.
#pragma once

#if defined(ONDULAXIS_LOCK_PROBE)

namespace lockProbe {

enum class Call { handler, kernel };

void lockEntered() noexcept;  // after the lock is held, recursive entries too
void lockLeaving() noexcept;  // before it is left
void calling(Call call) noexcept;

}  // namespace lockProbe

#define ONDULAXIS_PROBE_LOCK_ENTERED() ::lockProbe::lockEntered()
#define ONDULAXIS_PROBE_LOCK_LEAVING() ::lockProbe::lockLeaving()
#define ONDULAXIS_PROBE_CALLING(call) ::lockProbe::calling(::lockProbe::Call::call)

#else

#define ONDULAXIS_PROBE_LOCK_ENTERED() ((void)0)
#define ONDULAXIS_PROBE_LOCK_LEAVING() ((void)0)
#define ONDULAXIS_PROBE_CALLING(call) ((void)0)

#endif
