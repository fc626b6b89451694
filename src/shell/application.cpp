#include "shell/application.h"

#include "core/errorreport.h"

TApplication::TApplication(int& argc, char** argv, ErrorPresenter presenter)
    : QApplication(argc, argv), presenter_(std::move(presenter)) {
    setApplicationName(QStringLiteral("Tavorel"));
    setApplicationDisplayName(QStringLiteral("Tavorel"));
    // The board decides itself when it ends: a closed error box must not end it.
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    runReported([&] { result = QApplication::notify(receiver, event); }, presenter_);
    return result;
}
