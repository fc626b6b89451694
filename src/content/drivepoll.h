#pragma once

#include <QString>

// Touches the drive of the shown folder (see driveText) so that a sleeping share or disk wakes
// before the item is read: a shell enters the drive, or does nothing when there is no drive. The
// shell runs from a worker thread within the share's deadline; a shell that does not end in time
// is left to end on its own, and no other is started while it runs.
void pollDrive(const QString& drive);
