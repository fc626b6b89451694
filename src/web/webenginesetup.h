#pragma once

#include <QString>

// Before the engine's first start: Chromium's sandbox cannot run for the root user, so as root it
// is switched off (QTWEBENGINE_DISABLE_SANDBOX) and a line on stderr says so. True when it was
// switched off. Later calls do nothing and return the first answer.
bool prepareWebEngineSandbox();

// The address as the engine is to load it: an address with a scheme is taken as it is; one
// without (a path such as /srv/show/page.html, a host such as www.example.com) is completed as a
// browser's address bar would. Empty when there is nothing to load.
QString webEngineAddress(const QString& address);
