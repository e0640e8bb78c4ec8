#include "stop_signal.h"

#include <signal.h>

#include <initializer_list>

namespace copy_bench {

namespace {

volatile sig_atomic_t gStopSignal = 0;

void OnStopSignal(int signal) {
  gStopSignal = signal;
}

}  // namespace

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int StopSignal() {
  return gStopSignal;
}

void ThrowIfStopped() {
  if (gStopSignal) throw Stopped{};
}

}  // namespace copy_bench
