#pragma once

#include <QString>
#include <QtGlobal>

// Qt WebEngine's pages share an OpenGL context with the window, which the engine's start-up step
// makes. Loaded with the board's first web item, the engine's module runs that step itself, but
// it has no public header, so this is done only on the Qt releases it was checked on (Debian 12's
// 6.4 to Debian 13's 6.8; a unit test fails when the module leaves no shared context).
// On any other release the board takes the public way: Qt::AA_ShareOpenGLContexts set before the
// application object exists, which makes that context at start, some 60 MB more even for a show
// without web items.
#define TAVOREL_WEBENGINE_SETUP_AT_LOAD                                                            \
    (QT_VERSION >= QT_VERSION_CHECK(6, 4, 0) && QT_VERSION < QT_VERSION_CHECK(6, 9, 0))

// Before the application object is made: where the engine cannot set up its shared context when
// its module is loaded, asks Qt to make it at start.
void prepareWebEngineOpenGL();

// Before the engine's first start: Chromium's sandbox cannot run for the root user, so as root it
// is switched off (QTWEBENGINE_DISABLE_SANDBOX) and a line on stderr says so. True when it was
// switched off. Later calls do nothing and return the first answer.
bool prepareWebEngineSandbox();

// The address as the engine is to load it: an address with a scheme is taken as it is; one
// without (a path such as /srv/show/page.html, a host such as www.example.com) is completed as a
// browser's address bar would. Empty when there is nothing to load.
QString webEngineAddress(const QString& address);
