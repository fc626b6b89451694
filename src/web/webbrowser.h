#pragma once

#include "core/errorreport.h"
#include "web/webviewbackend.h"
#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

// The board's web layer: a black alien widget that holds the browser engine's view. The engine is
// started by the first navigation, not before, so a show without web items never runs it.
//
// The notices below are called on the user-interface thread from the engine's events; an error
// escaping one of them goes to the default error report and never into the engine.
class TWebBrowser : public QWidget {
    Q_OBJECT
  public:
    // Pages get their back end from makeBackend; an error in a handler of the browser's goes to
    // presenter.
    explicit TWebBrowser(QWidget* parent = nullptr,
                         TWebViewBackendFactory makeBackend = makeDefaultWebViewBackend,
                         ErrorPresenter presenter = {});
    ~TWebBrowser() override;

    // Asks the view to load the address and returns at once; the first call starts the engine.
    // Raises EError when the engine refuses the address outright.
    //
    // A page that has shown many documents is replaced by a fresh one when it is next asked for
    // "about:blank", the step between two items where nothing is on screen that could be lost:
    // the renderer process of the old page ends with it, so whatever a month of pages leaves
    // behind in a renderer cannot build up.
    void Navigate(const QString& address);
    // How many loads a page may end before it is replaced (tests use small numbers); 100, or
    // TAVOREL_WEB_LOADS_PER_PAGE when it is a positive number (for memory measurements).
    void setLoadsPerPage(quint64 loads) { loadsPerPage_ = loads; }
    // Pages replaced so far (for the journal and tests).
    quint64 pagesRenewed() const { return pagesRenewed_; }
    bool engineStarted() const { return backend_ != nullptr; }

    // Runs the statements one after the other in the loaded top document, stopping at the first
    // that fails. done then gets an empty text, or the failing statement with the browser's
    // reason. done is not called when the document was replaced before the statements had run;
    // the new document's own load notice follows.
    void RunStatements(const QStringList& statements, std::function<void(const QString&)> done);

    // Scrolls the top document's window by dx, dy pixels. A failure reaches onFailure only once
    // for each loaded page: a page whose scrolling keeps failing would otherwise repeat it 25
    // times a second. While the engine is still busy with earlier steps the distance is held
    // back and added to the next one, so the engine's queue stays short and no distance is lost.
    void ScrollBy(int dx, int dy, std::function<void(const QString&)> onFailure);

    // Loads that ended, counted since the start (for the journal and tests).
    quint64 loadsEnded() const { return loadsEnded_; }

    std::function<void()> OnDocumentComplete;
    std::function<void()> OnNavigateError;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void startEngine();
    void loadEnded();
    void sendScroll(std::function<void(const QString&)> onFailure);

    TWebViewBackendFactory makeBackend_;
    ErrorPresenter presenter_;
    std::unique_ptr<TWebViewBackend> backend_;
    // Handed to engine callbacks as a weak reference: none may reach a browser already gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    quint64 loadsEnded_ = 0;
    quint64 loadsOnPage_ = 0;
    quint64 loadsPerPage_ = 100;
    quint64 pagesRenewed_ = 0;
    bool scrollFailureReported_ = false;
    int scrollsInFlight_ = 0;
    int heldDx_ = 0;
    int heldDy_ = 0;
    QElapsedTimer lastScrollSent_;
};
