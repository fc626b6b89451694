#include "web/webenginesetup.h"

#include <QCoreApplication>
#include <QUrl>
#include <cstdio>
#include <unistd.h>

bool prepareWebEngineSandbox() {
    static const bool off = [] {
        if (geteuid() != 0)
            return false;
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("tavorel: running as root: the web engine's sandbox is switched off\n", stderr);
        std::fflush(stderr);
        return true;
    }();
    return off;
}

void prepareWebEngineOpenGL() {
#if !TAVOREL_WEBENGINE_SETUP_AT_LOAD
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
}

QString webEngineAddress(const QString& address) {
    if (address.trimmed().isEmpty())
        return QString();
    const QUrl url(address);
    if (url.isValid() && !url.scheme().isEmpty())
        return address;
    const QUrl completed = QUrl::fromUserInput(address);
    return completed.isValid() ? completed.toString() : QString();
}
