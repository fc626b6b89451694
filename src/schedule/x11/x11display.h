#pragma once

struct _XDisplay; // NOLINT(bugprone-reserved-identifier): Xlib's own name behind Display

// The board's own connection to the X server, or nullptr where the board does not run on X
// (offscreen drawing in unit tests, a Wayland session). Requests that must last as long as the
// board does go over this connection: the server drops them when it closes.
_XDisplay* boardX11Display();
