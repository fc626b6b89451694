#pragma once

#include <QString>
#include <QStringList>

// The sorted list of the shown folder's files. It holds bare names, sorted ascending without
// regard to letter case by the user's locale; equal names stand side by side. The folder is read
// the first time the list is used, and again at every refresh; reading makes the folder the
// program's working directory.
class TFileListBox {
  public:
    TFileListBox();

    const QString& Directory() const { return directory_; }
    const QString& Mask() const { return mask_; }
    // Patterns separated by ";", each used exactly as written ("*" and "?" wildcards, letters
    // compared without regard to case). A changed mask reads the folder again once in use.
    void setMask(const QString& mask);

    // Points the list at the configured folder text; raises EInOutError when it cannot be entered.
    // A folder that does not answer within the share's deadline (core/shareaccess.h) is entered at
    // a later read; until then the list is empty.
    void ApplyFilePath(const QString& text);
    // Reads the folder again once the list is in use (before that there is nothing to refresh).
    // Raises EInOutError, keeping the previous names, when the folder cannot be entered.
    void Update();

    int Count();
    // Raises "List index out of bounds (%d)" outside 0 .. Count() - 1.
    QString Item(int index);
    // Position of a name equal without regard to letter case, or -1.
    int IndexOf(const QString& name);

  private:
    void use();
    void read();
    // Enters the configured folder if it is not entered yet; false when it did not answer in time.
    bool enterPendingFolder();

    QString directory_;
    QString mask_;
    QStringList items_;
    bool inUse_ = false;
    // Pointed at the configured folder. Until then the list is on the program's working
    // directory, whose answers say nothing about the share.
    bool onShare_ = false;
    // The configured folder text while the folder has not been entered, and the folder a text
    // that is not a full path starts from.
    QString pendingFolder_;
    QString pendingBase_;
};

// Whether a file name matches one wildcard pattern, letters compared without regard to case.
bool matchesWildcard(const QString& name, const QString& pattern);
