#include "core/diagnostics.h"

#include <cstdio>
#include <cstdlib>

namespace diag {

bool enabled() {
    // Read once: the environment does not change while the board runs, and events may be frequent.
    static const bool on = [] {
        const char* v = std::getenv("TAVOREL_DEBUG");
        return v && *v && !(v[0] == '0' && v[1] == '\0');
    }();
    return on;
}

static void write(const char* kind, const QString& text) {
    QString oneLine = text;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" | "))
        .replace(u'\n', QLatin1String(" | "));
    std::fprintf(stderr, "tavorel: %s: %s\n", kind, oneLine.toUtf8().constData());
    std::fflush(stderr);
}

void event(const char* kind, const QString& text) {
    if (enabled())
        write(kind, text);
}

void error(const QString& text) {
    write("error", text);
}

} // namespace diag
