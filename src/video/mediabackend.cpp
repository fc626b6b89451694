#include "video/mediabackend.h"

#include "video/gstreamer/gstmediabackend.h"

std::unique_ptr<TMediaBackend> makeDefaultMediaBackend() {
    return std::make_unique<TGstMediaBackend>();
}
