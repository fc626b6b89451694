#include "presentation/webviewbackend.h"

#include "presentation/webenginebackend.h"

namespace {

std::function<std::unique_ptr<TWebViewBackend>(QWidget*)>& backendFactory() {
    static std::function<std::unique_ptr<TWebViewBackend>(QWidget*)> factory;
    return factory;
}

} // namespace

std::unique_ptr<TWebViewBackend> makeDefaultWebViewBackend(QWidget* parent) {
    if (const auto& factory = backendFactory())
        return factory(parent);
    return std::make_unique<TWebEngineBackend>(parent);
}

void setWebViewBackendFactory(std::function<std::unique_ptr<TWebViewBackend>(QWidget*)> factory) {
    backendFactory() = std::move(factory);
}
