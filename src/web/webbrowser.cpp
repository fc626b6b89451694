#include "web/webbrowser.h"

#include "core/diagnostics.h"
#include "core/errorreport.h"
#include "core/errors.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QResizeEvent>
#include <algorithm>
#include <climits>
#include <malloc.h>

namespace {

// A script that runs each statement in turn and gives "" when all ran, or the failing statement
// and the reason. Each statement runs in its own function, so a failing one leaves nothing half
// done behind it but its own effect. The engine runs the script some time after the load notice:
// by then a navigation asked for meanwhile may have put a new document in place that is still
// being read (and has no body yet). That document is not the one that was loaded; the script
// leaves it alone and gives null, and the new document's own notice follows.
QString statementsScript(const QStringList& statements) {
    QString script = QStringLiteral("(function () {\n"
                                    "  if (document.readyState === 'loading') return null;\n"
                                    "  var steps = [\n");
    for (const QString& statement : statements)
        script += QStringLiteral("    function () { ") + statement + QStringLiteral(" },\n");
    const QByteArray texts =
        QJsonDocument(QJsonArray::fromStringList(statements)).toJson(QJsonDocument::Compact);
    script += QStringLiteral("  ];\n  var texts = ") + QString::fromUtf8(texts) +
              QStringLiteral(";\n"
                             "  for (var i = 0; i < steps.length; ++i) {\n"
                             "    try { steps[i](); } catch (e) {\n"
                             "      return texts[i] + ': ' + ((e && e.message) || String(e));\n"
                             "    }\n"
                             "  }\n"
                             "  return '';\n"
                             "})()");
    return script;
}

// Distances held back add up without overflowing: the page cannot move further than that anyway.
int addClamped(int a, int b) {
    return static_cast<int>(std::clamp<qint64>(qint64(a) + b, INT_MIN, INT_MAX));
}

// The C library's heap in the journal every so many loads: the web engine's browser side runs in
// the board's own process, and memory it keeps from page to page shows here first.
void noteHeap(quint64 loads) {
    if (!diag::enabled() || loads % 100 != 0)
        return;
    const struct mallinfo2 heap = mallinfo2();
    diag::event("web", QStringLiteral("heap after %1 loads: %2 kB in use, %3 kB held")
                           .arg(loads)
                           .arg(heap.uordblks / 1024 + heap.hblkhd / 1024)
                           .arg(heap.arena / 1024 + heap.hblkhd / 1024));
}

} // namespace

TWebBrowser::TWebBrowser(QWidget* parent, TWebViewBackendFactory makeBackend,
                         ErrorPresenter presenter)
    : QWidget(parent), makeBackend_(std::move(makeBackend)), presenter_(std::move(presenter)) {
    if (const int n = qEnvironmentVariableIntValue("TAVOREL_WEB_LOADS_PER_PAGE"); n > 0)
        loadsPerPage_ = quint64(n);
    setAutoFillBackground(true);
    setPalette(QPalette(Qt::black));
}

TWebBrowser::~TWebBrowser() {
    alive_.reset();
    backend_.reset();
}

void TWebBrowser::startEngine() {
    if (pagesRenewed_ == 0)
        diag::event("web", QStringLiteral("the web engine starts"));
    backend_ = makeBackend_(this);
    std::weak_ptr<int> alive = alive_;
    backend_->onLoaded = [this, alive](const QString& url) {
        if (alive.expired())
            return;
        diag::event("web", QStringLiteral("loaded ") + url);
        loadEnded();
        if (OnDocumentComplete)
            runReported(OnDocumentComplete, presenter_);
    };
    backend_->onFailed = [this, alive](const QString& url, const QString& error) {
        if (alive.expired())
            return;
        diag::event("web", QStringLiteral("failed ") + url + QStringLiteral(": ") + error);
        loadEnded();
        if (OnNavigateError)
            runReported(OnNavigateError, presenter_);
    };
    if (QWidget* view = backend_->widget()) {
        view->setGeometry(rect());
        view->show();
    }
}

void TWebBrowser::loadEnded() {
    ++loadsEnded_;
    noteHeap(loadsEnded_);
    ++loadsOnPage_;
    scrollFailureReported_ = false;
    // Scripts sent to the page before are answered for a document that is gone, or never.
    scrollsInFlight_ = 0;
}

void TWebBrowser::Navigate(const QString& address) {
    if (backend_ && loadsOnPage_ >= loadsPerPage_ && address == QLatin1String("about:blank")) {
        diag::event(
            "web",
            QStringLiteral("a fresh page replaces one that ended %1 loads").arg(loadsOnPage_));
        // Answers still on their way belong to the old page; the weak reference they hold must
        // not reach the new one.
        alive_ = std::make_shared<int>(0);
        backend_.reset();
        loadsOnPage_ = 0;
        scrollsInFlight_ = 0;
        heldDx_ = heldDy_ = 0;
        ++pagesRenewed_;
    }
    if (!backend_)
        startEngine();
    diag::event("web", QStringLiteral("navigate ") + address);
    QString error;
    if (!backend_->navigate(address, error))
        throw EError(error);
}

void TWebBrowser::RunStatements(const QStringList& statements,
                                std::function<void(const QString&)> done) {
    if (!backend_)
        return;
    std::weak_ptr<int> alive = alive_;
    backend_->runScript(
        statementsScript(statements),
        [alive, presenter = presenter_, done = std::move(done)](const QVariant& result) {
            if (alive.expired() || result.typeId() != QMetaType::QString)
                return;
            const QString failure = result.toString();
            runReported([&] { done(failure); }, presenter);
        });
}

void TWebBrowser::ScrollBy(int dx, int dy, std::function<void(const QString&)> onFailure) {
    if (!backend_)
        return;
    heldDx_ = addClamped(heldDx_, dx);
    heldDy_ = addClamped(heldDy_, dy);
    // Two steps on their way are enough to keep the page moving; one that was never answered
    // (the engine dropped it) must not stop the scrolling for good.
    if (scrollsInFlight_ >= 2 && lastScrollSent_.isValid() && lastScrollSent_.elapsed() < 1000)
        return;
    sendScroll(std::move(onFailure));
}

void TWebBrowser::sendScroll(std::function<void(const QString&)> onFailure) {
    const QString script = QStringLiteral("(function () {\n"
                                          "  try { window.scrollBy(%1, %2); return ''; }\n"
                                          "  catch (e) { return 'window.scrollBy(%1, %2): ' + "
                                          "((e && e.message) || String(e)); }\n"
                                          "})()")
                               .arg(heldDx_)
                               .arg(heldDy_);
    heldDx_ = 0;
    heldDy_ = 0;
    ++scrollsInFlight_;
    lastScrollSent_.start();
    const quint64 page = loadsEnded_;
    std::weak_ptr<int> alive = alive_;
    backend_->runScript(
        script, [this, alive, page, onFailure = std::move(onFailure)](const QVariant& result) {
            if (alive.expired())
                return;
            if (page == loadsEnded_ && scrollsInFlight_ > 0)
                --scrollsInFlight_;
            if (result.typeId() != QMetaType::QString)
                return;
            const QString failure = result.toString();
            if (failure.isEmpty())
                return;
            if (scrollFailureReported_ || page != loadsEnded_) {
                diag::event("web", QStringLiteral("scroll failed again: ") + failure);
                return;
            }
            scrollFailureReported_ = true;
            if (onFailure)
                runReported([&] { onFailure(failure); }, presenter_);
        });
}

void TWebBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (backend_ && backend_->widget())
        backend_->widget()->setGeometry(rect());
}
