#pragma once

#include <QList>
#include <QRect>

// The board's window rectangle on the chosen monitor: the monitor's top-left corner moved by the
// offsets, and the given size, or the monitor's where a size is 0. Sizes are absolute (not limited
// to the monitor) and the offsets never shrink the window. A monitor number outside the list raises
// "List index out of bounds (%d)".
QRect placeWindow(const QList<QRect>& monitors, int monitor, int offsetX, int offsetY, int maxWidth,
                  int maxHeight);

// A configured monitor number lowered to the last monitor; negative numbers are left alone.
int clampMonitor(int monitor, int monitorCount);
