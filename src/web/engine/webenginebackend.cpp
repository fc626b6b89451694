#include "web/engine/webenginebackend.h"

#include "web/webenginesetup.h"

#include "core/diagnostics.h"
#include <QMetaObject>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// A page of an unattended board: script dialogs are answered at once as if dismissed, and the
// page's console goes to the journal only when diagnostics are on.
class TBoardPage : public QWebEnginePage {
  public:
    TBoardPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

  protected:
    void javaScriptAlert(const QUrl&, const QString& msg) override {
        diag::event("web", QStringLiteral("alert dismissed: ") + msg);
    }
    bool javaScriptConfirm(const QUrl&, const QString& msg) override {
        diag::event("web", QStringLiteral("confirmation declined: ") + msg);
        return false;
    }
    bool javaScriptPrompt(const QUrl&, const QString& msg, const QString&, QString*) override {
        diag::event("web", QStringLiteral("prompt declined: ") + msg);
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message,
                                  int lineNumber, const QString& sourceID) override {
        diag::event("web",
                    QStringLiteral("console: %1 (%2:%3)").arg(message, sourceID).arg(lineNumber));
    }
};

} // namespace

TWebEngineBackend::TWebEngineBackend(QWidget* parent) {
    prepareWebEngineSandbox();
    // The default profile keeps nothing on disk: the board writes no files of its own, and a
    // cache or cookies left from one run must not change what the next one shows.
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);

    view_ = new QWebEngineView(parent);
    page_ = new TBoardPage(profile, view_);
    page_->setBackgroundColor(Qt::black);
    // Nobody at the board ever clicks or types: a page's own audio and video start by themselves.
    page_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    view_->setPage(page_);
    view_->setContextMenuPolicy(Qt::NoContextMenu);

    QObject::connect(
        page_, &QWebEnginePage::loadingChanged, page_, [this](const QWebEngineLoadingInfo& info) {
            const QString url = info.url().toString();
            switch (info.status()) {
            case QWebEngineLoadingInfo::LoadStartedStatus:
                // Black between items and while a page loads, so that nothing flashes white ...
                page_->setBackgroundColor(Qt::black);
                break;
            case QWebEngineLoadingInfo::LoadSucceededStatus:
                // ... and white under a loaded document, as in a browser, for pages that set no
                // background of their own. The blank page between items stays black.
                if (info.url() != QUrl(QStringLiteral("about:blank")))
                    page_->setBackgroundColor(Qt::white);
                if (onLoaded)
                    onLoaded(url);
                break;
            case QWebEngineLoadingInfo::LoadFailedStatus:
                if (onFailed)
                    onFailed(
                        url,
                        QStringLiteral("%1 (%2)").arg(info.errorString()).arg(info.errorCode()));
                break;
            default:
                break;
            }
        });
    // A renderer that dies takes its page with it and reports no end of the load; the show must
    // not wait for one.
    QObject::connect(page_, &QWebEnginePage::renderProcessTerminated, page_,
                     [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                         if (status == QWebEnginePage::NormalTerminationStatus)
                             return;
                         if (onFailed)
                             onFailed(
                                 page_->url().toString(),
                                 QStringLiteral("the page's renderer ended (status %1, code %2)")
                                     .arg(int(status))
                                     .arg(code));
                     });
}

TWebEngineBackend::~TWebEngineBackend() {
    delete view_.data();
}

QWidget* TWebEngineBackend::widget() {
    return view_;
}

bool TWebEngineBackend::navigate(const QString& address, QString& error) {
    const QString target = webEngineAddress(address);
    if (target.isEmpty()) {
        // Nothing the engine could load: reported as a failed navigation, after the step that
        // asked for it has returned, as the engine reports its own failures.
        QMetaObject::invokeMethod(
            page_,
            [this, address] {
                if (onFailed)
                    onFailed(address, QStringLiteral("no address to load"));
            },
            Qt::QueuedConnection);
        return true;
    }
    const QUrl url(target);
    if (!url.isValid()) {
        error = QStringLiteral("Invalid address: ") + address;
        return false;
    }
    page_->load(url);
    return true;
}

void TWebEngineBackend::runScript(const QString& script,
                                  std::function<void(const QVariant&)> done) {
    page_->runJavaScript(script, [done = std::move(done)](const QVariant& result) {
        if (done)
            done(result);
    });
}

#if TAVOREL_WEBENGINE_SETUP_AT_LOAD
namespace QtWebEngineCore {
// Qt WebEngine's own start-up step (exported by its core library, declared in no public header):
// the OpenGL context its pages share with the window. Linked into a program it runs when the
// application object is made; loaded later, as here, it has to be asked for. Declared only for
// the Qt releases it was checked on (see webenginesetup.h).
void initialize();
} // namespace QtWebEngineCore
#endif

// The entry the board looks up when it loads this module at its first web item.
extern "C" __attribute__((visibility("default"))) TWebViewBackend*
tavorelMakeWebViewBackend(QWidget* parent) {
#if TAVOREL_WEBENGINE_SETUP_AT_LOAD
    static const bool started = [] {
        QtWebEngineCore::initialize();
        return true;
    }();
    (void)started;
#endif
    return new TWebEngineBackend(parent);
}
