#include "core/errorreport.h"
#include "core/errors.h"
#include "web/webbrowser.h"
#include "web/webenginesetup.h"
#include "web/webviewbackend.h"
#include <QCoreApplication>
#include <QOpenGLContext>
#include <QPointer>
#include <QWidget>
#include <climits>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

// What a fake engine was asked, and the answers it still owes; it outlives the browser so that a
// test can answer after the browser has gone.
struct EngineLog {
    int created = 0;
    QStringList addresses;
    QStringList scripts;
    std::vector<std::function<void(const QVariant&)>> pending;
    QString refuse; // not empty: navigate refuses with this text
    std::function<void(const QString&)> loaded;
    std::function<void(const QString&, const QString&)> failed;
    QPointer<QWidget> view;

    void answer(size_t i, const QVariant& value) {
        auto done = std::move(pending.at(i));
        done(value);
    }
};

class FakeWebViewBackend : public TWebViewBackend {
  public:
    FakeWebViewBackend(QWidget* parent, std::shared_ptr<EngineLog> log)
        : log_(std::move(log)), view_(new QWidget(parent)) {
        ++log_->created;
        log_->view = view_;
    }
    ~FakeWebViewBackend() override { delete view_.data(); }
    QWidget* widget() override { return view_; }
    bool navigate(const QString& address, QString& error) override {
        log_->loaded = onLoaded;
        log_->failed = onFailed;
        if (!log_->refuse.isEmpty()) {
            error = log_->refuse;
            return false;
        }
        log_->addresses << address;
        return true;
    }
    void runScript(const QString& script, std::function<void(const QVariant&)> done) override {
        log_->scripts << script;
        log_->pending.push_back(std::move(done));
    }

  private:
    std::shared_ptr<EngineLog> log_;
    QPointer<QWidget> view_;
};

class WebBrowserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(640, 400);
        browser = new TWebBrowser(
            &window,
            [log = log](QWidget* parent) {
                return std::make_unique<FakeWebViewBackend>(parent, log);
            },
            [this](const QString& text) { reports << text; });
        browser->setGeometry(window.rect());
        window.show();
    }

    std::shared_ptr<EngineLog> log = std::make_shared<EngineLog>();
    QStringList reports;
    QWidget window;
    TWebBrowser* browser = nullptr;
};

TEST_F(WebBrowserTest, TheEngineStartsWithTheFirstNavigationOnlyAndFillsTheLayer) {
    EXPECT_FALSE(browser->engineStarted());
    browser->RunStatements({QStringLiteral("x = 1;")}, [](const QString&) {});
    browser->ScrollBy(0, 5, [](const QString&) {});
    EXPECT_EQ(log->created, 0) << "scripts and scrolling alone must not start the engine";

    browser->Navigate(QStringLiteral("about:blank"));
    browser->Navigate(QStringLiteral("http://127.0.0.1/page.html"));
    EXPECT_TRUE(browser->engineStarted());
    EXPECT_EQ(log->created, 1);
    EXPECT_EQ(log->addresses, QStringList({QStringLiteral("about:blank"),
                                           QStringLiteral("http://127.0.0.1/page.html")}));
    ASSERT_TRUE(log->view);
    EXPECT_EQ(log->view->parentWidget(), browser);
    EXPECT_EQ(log->view->geometry(), browser->rect());
    EXPECT_FALSE(log->view->testAttribute(Qt::WA_NativeWindow));
    browser->resize(300, 200);
    EXPECT_EQ(log->view->geometry(), QRect(0, 0, 300, 200));
}

TEST_F(WebBrowserTest, ARefusedNavigationRaises) {
    log->refuse = QStringLiteral("Invalid address: ::");
    try {
        browser->Navigate(QStringLiteral("::"));
        FAIL() << "no error raised";
    } catch (const EError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid address: ::"));
    }
}

TEST_F(WebBrowserTest, LoadNoticesReachTheHandlersAndTheirErrorsGoToTheReport) {
    int complete = 0, failed = 0;
    browser->OnDocumentComplete = [&] {
        ++complete;
        throw EError(QStringLiteral("handler failed"));
    };
    browser->OnNavigateError = [&] { ++failed; };
    browser->Navigate(QStringLiteral("http://127.0.0.1/"));
    log->loaded(QStringLiteral("http://127.0.0.1/"));
    log->failed(QStringLiteral("http://127.0.0.1:1/"), QStringLiteral("refused"));
    log->loaded(QStringLiteral("about:blank"));
    EXPECT_EQ(complete, 2);
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(browser->loadsEnded(), 3u);
    EXPECT_EQ(reports,
              QStringList({QStringLiteral("handler failed."), QStringLiteral("handler failed.")}));
}

TEST_F(WebBrowserTest, StatementsRunInOrderAndTheFirstFailureIsHandedOn) {
    browser->Navigate(QStringLiteral("about:blank"));
    QStringList results;
    const QStringList steps{QStringLiteral("document.body.style.borderStyle = 'none';"),
                            QStringLiteral("document.body.style.overflowY = 'hidden';")};
    for (int i = 0; i < 3; ++i)
        browser->RunStatements(steps, [&](const QString& failure) { results << failure; });
    ASSERT_EQ(log->scripts.size(), 3);
    const QString& script = log->scripts[0];
    EXPECT_LT(script.indexOf(steps[0]), script.indexOf(steps[1]));
    EXPECT_GE(script.indexOf(steps[0]), 0);

    log->answer(0, QString());
    log->answer(1, QStringLiteral("document.body.style.borderStyle = 'none';: body is null"));
    // A document replaced before the statements ran answers nothing useful: no result.
    log->answer(2, QVariant());
    EXPECT_EQ(results,
              QStringList({QString(), QStringLiteral("document.body.style.borderStyle = 'none';: "
                                                     "body is null")}));
}

TEST_F(WebBrowserTest, AScrollFailureIsReportedOncePerLoadedPage) {
    browser->Navigate(QStringLiteral("about:blank"));
    log->loaded(QStringLiteral("http://127.0.0.1/a"));
    int failures = 0;
    auto onFailure = [&](const QString& text) {
        ++failures;
        EXPECT_EQ(text, QStringLiteral("window.scrollBy(0, 5): no"));
    };
    for (int tick = 0; tick < 10; ++tick) {
        browser->ScrollBy(0, 5, onFailure);
        log->answer(log->pending.size() - 1, QStringLiteral("window.scrollBy(0, 5): no"));
    }
    EXPECT_EQ(failures, 1);

    log->loaded(QStringLiteral("http://127.0.0.1/b"));
    for (int tick = 0; tick < 10; ++tick) {
        browser->ScrollBy(0, 5, onFailure);
        log->answer(log->pending.size() - 1, QStringLiteral("window.scrollBy(0, 5): no"));
    }
    EXPECT_EQ(failures, 2);
    // A failure raised by the handler goes to the report and not into the engine.
    browser->OnDocumentComplete = [] {};
    log->loaded(QStringLiteral("http://127.0.0.1/c"));
    browser->ScrollBy(0, 5, [](const QString& text) { throw EError(text); });
    log->answer(log->pending.size() - 1, QStringLiteral("window.scrollBy(0, 5): no"));
    EXPECT_EQ(reports, QStringList({QStringLiteral("window.scrollBy(0, 5): no.")}));
}

TEST_F(WebBrowserTest, ScrollingHoldsBackDistanceWhileTheEngineIsBusy) {
    browser->Navigate(QStringLiteral("about:blank"));
    for (int tick = 0; tick < 5; ++tick)
        browser->ScrollBy(0, 4, [](const QString&) {});
    // Two steps are on their way; the other three wait and go together with the next one.
    ASSERT_EQ(log->scripts.size(), 2);
    EXPECT_TRUE(log->scripts[0].contains(QStringLiteral("window.scrollBy(0, 4)")));
    log->answer(0, QString());
    browser->ScrollBy(0, -1, [](const QString&) {});
    ASSERT_EQ(log->scripts.size(), 3);
    EXPECT_TRUE(log->scripts[2].contains(QStringLiteral("window.scrollBy(0, 11)")))
        << log->scripts[2].toStdString();

    // Held distances do not overflow.
    log->answer(1, QString());
    log->answer(2, QString());
    for (int tick = 0; tick < 2; ++tick)
        browser->ScrollBy(0, 0, [](const QString&) {});
    browser->ScrollBy(0, INT_MAX, [](const QString&) {});
    browser->ScrollBy(0, INT_MAX, [](const QString&) {});
    log->answer(3, QString());
    browser->ScrollBy(0, 1, [](const QString&) {});
    EXPECT_TRUE(log->scripts.last().contains(QStringLiteral("window.scrollBy(0, 2147483647)")))
        << log->scripts.last().toStdString();
}

TEST_F(WebBrowserTest, AnswersAfterTheBrowserHasGoneAreDropped) {
    browser->Navigate(QStringLiteral("about:blank"));
    bool called = false;
    browser->RunStatements({QStringLiteral("x = 1;")}, [&](const QString&) { called = true; });
    browser->ScrollBy(0, 5, [&](const QString&) { called = true; });
    delete browser;
    EXPECT_FALSE(log->view) << "the engine's view goes with the browser";
    log->answer(0, QString());
    log->answer(1, QStringLiteral("window.scrollBy(0, 5): no"));
    EXPECT_FALSE(called);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(WebBrowserTest, AWornPageIsReplacedOnlyAtTheBlankStepBetweenItems) {
    browser->setLoadsPerPage(3);
    int complete = 0;
    browser->OnDocumentComplete = [&] { ++complete; };
    browser->Navigate(QStringLiteral("about:blank"));
    for (int i = 0; i < 3; ++i)
        log->loaded(QStringLiteral("http://127.0.0.1/%1").arg(i));
    const QPointer<QWidget> first = log->view;
    bool oldAnswer = false;
    browser->RunStatements({QStringLiteral("x = 1;")}, [&](const QString&) { oldAnswer = true; });

    browser->Navigate(QStringLiteral("http://127.0.0.1/next"));
    EXPECT_EQ(log->created, 1) << "a page with content to show is never replaced";
    browser->Navigate(QStringLiteral("about:blank"));
    EXPECT_EQ(log->created, 2);
    EXPECT_EQ(browser->pagesRenewed(), 1u);
    EXPECT_FALSE(first) << "the old page, and with it its renderer, is gone";
    ASSERT_TRUE(log->view);
    EXPECT_EQ(log->view->parentWidget(), browser);
    EXPECT_EQ(log->view->geometry(), browser->rect());
    EXPECT_EQ(log->addresses.last(), QStringLiteral("about:blank"));

    log->answer(0, QString());
    EXPECT_FALSE(oldAnswer) << "an answer meant for the old page";
    log->loaded(QStringLiteral("about:blank"));
    EXPECT_EQ(complete, 4) << "the new page reports as the old one did";
    browser->Navigate(QStringLiteral("about:blank"));
    EXPECT_EQ(log->created, 2) << "counted afresh on the new page";
}

TEST(WebEngineAddress, AddressesWithASchemeAreKeptAndOthersCompletedAsInAnAddressBar) {
    EXPECT_EQ(webEngineAddress(QStringLiteral("http://127.0.0.1:8080/a b?x=1")),
              QStringLiteral("http://127.0.0.1:8080/a b?x=1"));
    EXPECT_EQ(webEngineAddress(QStringLiteral("about:blank")), QStringLiteral("about:blank"));
    EXPECT_EQ(webEngineAddress(QStringLiteral("file:///srv/show/page.html")),
              QStringLiteral("file:///srv/show/page.html"));
    EXPECT_EQ(webEngineAddress(QStringLiteral("/srv/show/page one.html")),
              QStringLiteral("file:///srv/show/page one.html"));
    EXPECT_EQ(webEngineAddress(QStringLiteral("www.example.com")),
              QStringLiteral("http://www.example.com"));
    EXPECT_EQ(webEngineAddress(QString()), QString());
    EXPECT_EQ(webEngineAddress(QStringLiteral("   ")), QString());
}

TEST(WebEngineSandbox, SwitchedOffForRootOnly) {
    const bool root = geteuid() == 0;
    EXPECT_EQ(prepareWebEngineSandbox(), root);
    EXPECT_EQ(prepareWebEngineSandbox(), root);
    if (root) {
        EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), QByteArray("1"));
    }
}

// The engine's module, loaded after the application object exists, sets up the OpenGL context its
// pages share with the window, as the engine does itself when linked into a program. The step it
// calls for that has no public header: a new Qt release that changes it fails here.
TEST(WebEngineModule, SetsUpTheContextItsPagesShareWithTheWindow) {
    QWidget parent;
    std::unique_ptr<TWebViewBackend> backend = makeDefaultWebViewBackend(&parent);
    ASSERT_NE(backend, nullptr);
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
    EXPECT_NE(QOpenGLContext::globalShareContext(), nullptr);
    backend.reset();
}

} // namespace
