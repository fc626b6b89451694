#pragma once

// True when the board runs as a native Wayland client (Qt's wayland platform plugin).
bool onWaylandSession();

// Qt's Wayland connection sometimes never finishes closing at the program's end (its event
// thread is not woken), which would leave a board that has closed, or started its fresh copy,
// running for good. On a Wayland session this ends the process with the given code when the
// teardown that follows has not ended it within a few seconds; elsewhere it does nothing.
void limitTeardownOnWayland(int exitCode);
