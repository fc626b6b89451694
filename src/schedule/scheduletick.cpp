#include "schedule/scheduletick.h"

#include "core/configcatalog.h"
#include "core/diagnostics.h"
#include "schedule/scheduledecision.h"

void scheduleTick(ScheduleHost& host, const TIniFile& config, const QDateTime& now) {
    // A holiday that is not a date raises here, before anything changes, so the board stays as
    // it was until the entry is mended.
    if (scheduleStateAt(config, now) == ScheduleState::On) {
        if (host.blankShown())
            diag::event("schedule", QStringLiteral("on"));
        host.hideBlank();
        host.setSlideTimer(true);
        return;
    }

    const QString text = readConfigText(config, ConfigKey::OffScheduleText);
    if (!host.blankShown())
        diag::event("schedule", QStringLiteral("off: ") + text);
    host.showBlank(text);
    host.setSlideTimer(false);
}
