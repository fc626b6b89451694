#include "schedule/powermgmt.h"

#include "core/diagnostics.h"

TPowerInhibitors systemInhibitors() {
    TPowerInhibitors list;
    list.push_back(makeSessionScreenSaverInhibitor());
    list.push_back(makeLogindInhibitor());
    list.push_back(makeDpmsInhibitor());
    return list;
}

TSystemCritical::TSystemCritical() : factory_(systemInhibitors) {}

TSystemCritical::TSystemCritical(TInhibitorFactory factory) : factory_(std::move(factory)) {}

void TSystemCritical::UpdateCritical(bool Value) {
    if (!made_) {
        if (!Value)
            return;
        made_ = true;
        if (factory_)
            inhibitors_ = factory_();
    }
    diag::event("power", Value ? QStringLiteral("keeping the machine and the display awake")
                               : QStringLiteral("the machine and the display may sleep again"));
    for (auto& inhibitor : inhibitors_) {
        if (!inhibitor)
            continue;
        // Whatever one way answers, the others are still asked.
        try {
            if (Value)
                inhibitor->acquire();
            else
                inhibitor->release();
        } catch (...) {
        }
    }
}
