#include "web/webviewbackend.h"

#include "core/diagnostics.h"
#include <QCoreApplication>
#include <QLibrary>
#include <QMetaObject>
#include <QWidget>

namespace {

using MakeBackend = TWebViewBackend* (*)(QWidget*);

// The web engine lives in a module of its own, loaded at the first web item: linked into the
// program, its libraries would set up their OpenGL stack at start-up and a show without web items
// would carry some 80 MB for nothing (the window's own drawing needs no OpenGL). The module is
// looked for in lib/ beside the program, then in the build's own lib/ (a copy of the program run
// from another folder, as the tests do).
MakeBackend loadWebEngineModule(QString& failure) {
    static QString error;
    static const MakeBackend make = []() -> MakeBackend {
        const QStringList places{QCoreApplication::applicationDirPath() + QStringLiteral("/lib"),
#ifdef TAVOREL_BUILD_LIB_DIR
                                 QStringLiteral(TAVOREL_BUILD_LIB_DIR)
#endif
        };
        // Asked for before the module's libraries are loaded, so that they find it set, as they
        // would had they been linked (only contexts made from now on are affected).
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        QStringList reasons;
        for (const QString& place : places) {
            QLibrary module(place + QStringLiteral("/tavorel-web.so"));
            if (!module.load()) {
                reasons << module.errorString();
                continue;
            }
            if (auto make =
                    reinterpret_cast<MakeBackend>(module.resolve("tavorelMakeWebViewBackend")))
                return make;
            reasons << module.errorString();
            module.unload();
        }
        error = QStringLiteral("the web engine module could not be loaded: ") +
                reasons.join(QStringLiteral("; "));
        return nullptr;
    }();
    failure = error;
    return make;
}

// Without the engine every page fails to load, as an unreachable address does: the show moves
// on one interval later instead of stopping at the first web item.
class TMissingWebEngine : public TWebViewBackend {
  public:
    TMissingWebEngine(QWidget* parent, QString reason)
        : view_(new QWidget(parent)), reason_(std::move(reason)) {
        view_->setAutoFillBackground(true);
        view_->setPalette(QPalette(Qt::black));
        diag::error(reason_);
    }
    ~TMissingWebEngine() override { delete view_; }

    QWidget* widget() override { return view_; }
    bool navigate(const QString& address, QString&) override {
        QMetaObject::invokeMethod(
            view_,
            [this, address] {
                if (onFailed)
                    onFailed(address, reason_);
            },
            Qt::QueuedConnection);
        return true;
    }
    void runScript(const QString&, std::function<void(const QVariant&)> done) override {
        if (done)
            done(QVariant());
    }

  private:
    QWidget* view_;
    QString reason_;
};

} // namespace

std::unique_ptr<TWebViewBackend> makeDefaultWebViewBackend(QWidget* parent) {
    QString failure;
    if (MakeBackend make = loadWebEngineModule(failure))
        return std::unique_ptr<TWebViewBackend>(make(parent));
    return std::make_unique<TMissingWebEngine>(parent, failure);
}
