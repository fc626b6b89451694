#include "core/clock.h"

namespace {
std::function<QDateTime()>& source() {
    static std::function<QDateTime()> s;
    return s;
}
} // namespace

namespace Clock {

QDateTime now() {
    return source() ? source()() : QDateTime::currentDateTime();
}

QDate today() {
    return now().date();
}

void setSource(std::function<QDateTime()> s) {
    source() = std::move(s);
}

} // namespace Clock
