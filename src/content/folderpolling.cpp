#include "content/folderpolling.h"

#include "core/diagnostics.h"
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

void pollFolder(TFileListBox& files, const QString& startDir, ControlFileHost& host) {
    files.Update();
    if (takeControlFile(startDir + QStringLiteral("CLOSE.APP"))) {
        diag::event("control", QStringLiteral("CLOSE.APP found"));
        host.closeBoard();
    }
    if (takeControlFile(startDir + QStringLiteral("REBOOT.APP"))) {
        diag::event("control", QStringLiteral("REBOOT.APP found"));
        host.reboot();
    }
}
