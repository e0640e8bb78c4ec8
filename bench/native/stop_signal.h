// Stopping copy_bench on SIGINT, SIGTERM or SIGHUP: the signal is noted, and
// the benchmark throws Stopped at its next look, so that its temporary folder
// goes away on the way out.
#pragma once

namespace copy_bench {

struct Stopped {};

// Without SA_RESTART, so that a wait for a child returns at once.
void CatchStopSignals();

// The signal caught, 0 while none is.
int StopSignal();

void ThrowIfStopped();

}  // namespace copy_bench
