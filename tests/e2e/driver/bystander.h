// Another program's window, beneath the installer's: it counts the times the
// system activates it. A screen that closes must hand the activation to the
// screen below, never to another program.
#pragma once

namespace e2e {

// Opens the window (without activating it) on a thread of its own.
void StartBystander();
// How often the window has been activated since it opened.
int BystanderActivations();

}  // namespace e2e
