#pragma once

#include <QString>

// The "drive" of the shown folder, which the board touches before each item when asked to, so that
// a network share or an automounted disk is awake when the item is read: "//server/share" for a
// folder of that form, else the mount point that holds the folder (the longest mount point in
// mountinfo that is a prefix of it; where none is, as in a chroot whose / is no mount point, a
// mount of the file system that holds the folder, else the highest folder above it on that file
// system), else empty.
QString driveText(const QString& folder,
                  const QString& mountInfoPath = QStringLiteral("/proc/self/mountinfo"));

// The mount points listed in a mountinfo file, with their escapes (\040 for a blank...) undone.
QStringList mountPoints(const QString& mountInfoPath);
