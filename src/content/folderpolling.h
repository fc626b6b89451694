#pragma once

#include "content/folderlist.h"
#include <QString>

// What the folder refresh does when an operator drops a control file beside the program.
class ControlFileHost {
  public:
    virtual ~ControlFileHost() = default;

    // CLOSE.APP: the window closes as the board itself closes it.
    virtual void closeBoard() = 0;
    // REBOOT.APP: a fresh copy starts and the window closes.
    virtual void reboot() = 0;
};

// The folder refresh and the control files, run at every tick of NewFilesTimer. startDir ends in
// "/".
void pollFolder(TFileListBox& files, const QString& startDir, ControlFileHost& host);
