#pragma once

#include "web/webviewbackend.h"
#include <QPointer>

class QWebEngineView;
class QWebEnginePage;

// The web view on Qt WebEngine (Chromium), built as a module of its own that the board loads at its
// first web item (see webviewbackend.cpp). Pages are black while they load and white beneath a
// loaded document, play their media by themselves and run without any dialog of their own:
// nobody stands at the board to answer an alert or a confirmation.
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
