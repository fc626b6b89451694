#include "shell/placement.h"

#include "core/errors.h"

QRect placeWindow(const QList<QRect>& monitors, int monitor, int offsetX, int offsetY, int maxWidth,
                  int maxHeight) {
    if (monitor < 0 || monitor >= monitors.size())
        throw EListError(monitor);
    const QRect& m = monitors[monitor];
    return QRect(m.left() + offsetX, m.top() + offsetY, maxWidth != 0 ? maxWidth : m.width(),
                 maxHeight != 0 ? maxHeight : m.height());
}

int clampMonitor(int monitor, int monitorCount) {
    return monitor > monitorCount - 1 ? monitorCount - 1 : monitor;
}
