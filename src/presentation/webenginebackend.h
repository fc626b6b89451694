#pragma once

#include "presentation/webviewbackend.h"
#include <QPointer>

class QWebEngineView;
class QWebEnginePage;

// The web view on Qt WebEngine (Chromium). Pages get a black background and run without any
// dialog of their own: nobody stands at the board to answer an alert or a confirmation.
class TWebEngineBackend : public TWebViewBackend {
  public:
    explicit TWebEngineBackend(QWidget* parent);
    ~TWebEngineBackend() override;

    QWidget* widget() override;
    bool navigate(const QString& address, QString& error) override;
    void runScript(const QString& script, std::function<void(const QVariant&)> done) override;

  private:
    QPointer<QWebEngineView> view_;
    QWebEnginePage* page_ = nullptr;
};

// Before the engine's first start: Chromium's sandbox cannot run for the root user, so as root it
// is switched off (QTWEBENGINE_DISABLE_SANDBOX) and a line on stderr says so. True when it was
// switched off. Later calls do nothing and return the first answer.
bool prepareWebEngineSandbox();

// The address as the engine is to load it: an address with a scheme is taken as it is; one
// without (a path such as /srv/show/page.html, a host such as www.example.com) is completed as a
// browser's address bar would. Empty when there is nothing to load.
QString webEngineAddress(const QString& address);
