#include "brevutil/clock.h"

#include <chrono>

namespace {

class TSystemClock : public TClock {
  public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    quint64 ticks() const override {
        return static_cast<quint64>(
            std::chrono::high_resolution_clock::now().time_since_epoch().count());
    }
};

} // namespace

const TClock& systemClock() {
    static const TSystemClock clock;
    return clock;
}
