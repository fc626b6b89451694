#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class QWidget;

// What the board's web view needs from a browser engine: one page at a time shown in a widget,
// navigation that returns at once, the end of every load of the top document reported on the
// user-interface thread, and scripts run in the document that is loaded when they arrive.
//
// Every member is called on the user-interface thread, and the callbacks are invoked there.
class TWebViewBackend {
  public:
    virtual ~TWebViewBackend() = default;

    // The widget that shows the page, a child of the parent given to the factory. It is an alien
    // widget; the back end deletes it when it goes.
    virtual QWidget* widget() = 0;
    // Starts loading the address and returns at once. False, with a text in error, when the engine
    // refuses the address outright; then nothing is loading.
    virtual bool navigate(const QString& address, QString& error) = 0;
    // Runs a script in the top document. done gets the script's value, or an invalid QVariant when
    // the document went away before the script could finish; it may never be called when the
    // engine itself goes away.
    virtual void runScript(const QString& script, std::function<void(const QVariant&)> done) = 0;

    // A load of the top document ended: loaded, or failed with the engine's reason. A load that a
    // later navigation replaced reports nothing.
    std::function<void(const QString& url)> onLoaded;
    std::function<void(const QString& url, const QString& error)> onFailed;
};

// Makes the back end of a new page, its widget a child of parent.
using TWebViewBackendFactory = std::function<std::unique_ptr<TWebViewBackend>(QWidget* parent)>;

// The board's own engine (Qt WebEngine). Creating the first one starts the engine's processes.
std::unique_ptr<TWebViewBackend> makeDefaultWebViewBackend(QWidget* parent);
