#include "video/mediabackend.h"

#include "video/gstreamer/gstmediabackend.h"

namespace {

std::function<std::unique_ptr<TMediaBackend>()>& backendFactory() {
    static std::function<std::unique_ptr<TMediaBackend>()> factory;
    return factory;
}

} // namespace

std::unique_ptr<TMediaBackend> makeDefaultMediaBackend() {
    if (const auto& factory = backendFactory())
        return factory();
    return std::make_unique<TGstMediaBackend>();
}

void setMediaBackendFactory(std::function<std::unique_ptr<TMediaBackend>()> factory) {
    backendFactory() = std::move(factory);
}
