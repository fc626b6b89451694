// The folder refresh and the control files, run at every tick of NewFilesTimer.

#include "core/diagnostics.h"
#include "core/restart.h"
#include "shell/mainfrm.h"
#include <QFile>
#include <QFileInfo>

namespace {

// Only a regular file counts: a folder named CLOSE.APP is ignored. Whether the deletion works does
// not matter; the board acts all the same.
bool takeControlFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        return false;
    QFile::remove(path);
    return true;
}

} // namespace

void TMainFrm::NewFilesTimerTimer() {
    FileListBox.Update();
    const QString startDir = BrevUtil->getstartdir();
    if (takeControlFile(startDir + QStringLiteral("CLOSE.APP"))) {
        diag::event("control", QStringLiteral("CLOSE.APP found"));
        Close();
    }
    if (takeControlFile(startDir + QStringLiteral("REBOOT.APP"))) {
        diag::event("control", QStringLiteral("REBOOT.APP found"));
        restartOnRequest();
    }
}
