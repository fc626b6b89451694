#pragma once

#include <QString>

// The board's error presenter: a modal message box titled with the application title, with a stop
// sign and an OK button.
//
// Boxes never nest: while one is on screen, a further report only adds to it. A fault that
// repeats at every tick (a folder share gone for a weekend) would otherwise open one message loop
// inside the other until the stack runs out. Without a window system nothing is shown (the report
// has gone to stderr already).
void showErrorBox(const QString& text);
