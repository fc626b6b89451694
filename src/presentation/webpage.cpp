// The web step, the web view's completion and error handlers, and page scrolling.

#include "shell/mainfrm.h"

void TMainFrm::ShowWebPage(const QString& fullPath) {
    // No browser engine in this build yet: the shortcut is passed over like a file the board
    // cannot show.
    showMessage(QStringLiteral("Unsupported File: ") + fullPath);
    NextImageTimer->setEnabled(true);
}

void TMainFrm::WebBrowser1DocumentComplete() {
    NextImageTimer->setEnabled(true);
}

void TMainFrm::WebBrowser1NavigateError() {
    NextImageTimer->setEnabled(true);
}

void TMainFrm::WBScrollTimer() {}
