#include "core/configcatalog.h"

#include "brevutil/brevutil.h"
#include "core/errors.h"
#include <array>

namespace {

using T = ConfigType;
using M = ReadMoment;

#define DAY(day, text)                                                                             \
    ConfigEntry{ConfigKey::day##On,                                                                \
                "Schedule",                                                                        \
                #day "On",                                                                         \
                T::Time,                                                                           \
                "12:00am",                                                                         \
                M::EachUse,                                                                        \
                "time of day from which the board shows items on " text},                          \
        ConfigEntry {                                                                              \
        ConfigKey::day##Off, "Schedule", #day "Off", T::Time, "11:59pm", M::EachUse,               \
            "time of day after which the board is blanked on " text                                \
    }

constexpr std::array catalog{
    ConfigEntry{ConfigKey::ImagesFileMask, "MAIN", "ImagesFileMask", T::Text,
                "*.bmp;*.jpg;*.gif;*.png;*.avi;*.mpg;*.mpeg;*.mp4;*.url", M::Start,
                "file patterns of the shown items, separated by \";\" with no blanks"},
    ConfigEntry{ConfigKey::ImagesFolder, "MAIN", "ImagesFolder", T::Text, "", M::Start,
                "folder of the shown items (default: the program's folder); must end in \"/\", "
                "because item paths are formed by appending the file name"},
    ConfigEntry{ConfigKey::NewFilesTimer, "MAIN", "NewFilesTimer", T::Integer, "30000", M::Start,
                "milliseconds between folder refreshes and control-file checks"},
    ConfigEntry{ConfigKey::NextImageTimer, "MAIN", "NextImageTimer", T::Integer, "5000", M::Start,
                "milliseconds each item stays (in playlist mode: for items without a duration; "
                "read at each item)"},
    ConfigEntry{ConfigKey::ShowOnMonitor, "MAIN", "ShowOnMonitor", T::Integer, "0", M::Start,
                "number of the monitor to cover, from 0; a larger number means the last monitor"},
    ConfigEntry{ConfigKey::StretchImage, "MAIN", "StretchImage", T::Switch, "0", M::Start,
                "pictures are scaled to the window"},
    ConfigEntry{ConfigKey::KeepAspectRatio, "main", "KeepAspectRatio", T::Switch, "1", M::Start,
                "scaled pictures keep their proportions"},
    ConfigEntry{ConfigKey::PollSourceDrive, "MAIN", "PollSourceDrive", T::Switch, "0", M::Start,
                "before each item, the share or mount holding the folder is entered once, and the "
                "item waits until that has ended"},
    ConfigEntry{ConfigKey::StopScreenSaver, "MAIN", "StopScreenSaver", T::Switch, "0", M::Start,
                "keeps the screen saver away and the system and display awake"},
    ConfigEntry{ConfigKey::OffsetX, "MAIN", "OffsetX", T::Integer, "0", M::Start,
                "pixels added to the monitor's left edge"},
    ConfigEntry{ConfigKey::OffSetY, "MAIN", "OffSetY", T::Integer, "0", M::Start,
                "pixels added to the monitor's top edge"},
    ConfigEntry{ConfigKey::MaxWidth, "MAIN", "MaxWidth", T::Integer, "0", M::Start,
                "window width in pixels; 0 means the monitor's width"},
    ConfigEntry{ConfigKey::MaxHeight, "MAIN", "MaxHeight", T::Integer, "0", M::Start,
                "window height in pixels; 0 means the monitor's height"},
    ConfigEntry{ConfigKey::ShowFileName, "MAIN", "ShowFileName", T::Switch, "0", M::Start,
                "the full path of each item is shown in the message label"},
    ConfigEntry{ConfigKey::UsePlaylist, "main", "UsePlaylist", T::Switch, "0", M::Start,
                "playlist mode: items come from playlist.ini in ImagesFolder"},
    ConfigEntry{ConfigKey::NoSound, "MAIN", "NoSound", T::Switch, "0", M::EachUse,
                "videos play with the master volume at 0 (read at every video)"},
    ConfigEntry{ConfigKey::ScrollWebpage, "main", "ScrollWebpage", T::Switch, "0", M::EachUse,
                "web pages scroll down by themselves (read at every page load)"},
    ConfigEntry{ConfigKey::scrollspeed, "main", "scrollspeed", T::Integer, "5", M::EachUse,
                "pixels of one scroll step, every 40 ms"},
    ConfigEntry{ConfigKey::EnableSchedule, "SCHEDULE", "EnableSchedule", T::Switch, "0", M::EachUse,
                "the weekly timetable and the holidays are in force (read every 10 s)"},
    DAY(Sun, "Sundays"),
    DAY(Mon, "Mondays"),
    DAY(Tue, "Tuesdays"),
    DAY(Wed, "Wednesdays"),
    DAY(Thu, "Thursdays"),
    DAY(Fri, "Fridays"),
    DAY(Sat, "Saturdays"),
    ConfigEntry{ConfigKey::OffScheduleText, "Schedule", "OffScheduleText", T::Text, "", M::EachUse,
                "text shown on the blank screen"},
    ConfigEntry{ConfigKey::Holiday, "HOLIDAYS", "*", T::Date, "1/1/1900", M::EachUse,
                "any name: a date in the regional short date format on which the board is blanked "
                "all day"},
};
#undef DAY

// The table pairs each day's On and Off keys, while the enum lists all On keys first, so entries
// are found by key rather than by position.
const ConfigEntry* findEntry(ConfigKey key) {
    for (const ConfigEntry& e : catalog)
        if (e.key == key)
            return &e;
    return nullptr;
}

} // namespace

std::span<const ConfigEntry> configCatalog() {
    return catalog;
}

const ConfigEntry& configEntry(ConfigKey key) {
    const ConfigEntry* e = findEntry(key);
    Q_ASSERT(e);
    return *e;
}

ConfigKey scheduleOnKey(int weekday) {
    return static_cast<ConfigKey>(static_cast<int>(ConfigKey::SunOn) + (weekday - 1));
}

ConfigKey scheduleOffKey(int weekday) {
    return static_cast<ConfigKey>(static_cast<int>(ConfigKey::SunOff) + (weekday - 1));
}

static QString defaultText(const ConfigEntry& e) {
    if (e.key == ConfigKey::ImagesFolder)
        return TBrevUtil().getstartdir();
    return QString::fromUtf8(e.defaultText);
}

QString readConfigText(const TIniFile& ini, ConfigKey key) {
    const ConfigEntry& e = configEntry(key);
    return ini.ReadString(QString::fromUtf8(e.section), QString::fromUtf8(e.name), defaultText(e));
}

int readConfigInteger(const TIniFile& ini, ConfigKey key) {
    const ConfigEntry& e = configEntry(key);
    return ini.ReadInteger(QString::fromUtf8(e.section), QString::fromUtf8(e.name),
                           defaultText(e).toInt());
}

bool readConfigSwitch(const TIniFile& ini, ConfigKey key) {
    const ConfigEntry& e = configEntry(key);
    return ini.ReadBool(QString::fromUtf8(e.section), QString::fromUtf8(e.name),
                        defaultText(e).toInt() != 0);
}

TDateTime readConfigTime(const TIniFile& ini, ConfigKey key) {
    const ConfigEntry& e = configEntry(key);
    const QString text = defaultText(e);
    const TDateTime fallback = StrToTime(text, ini.Regional());
    return ini.ReadTime(QString::fromUtf8(e.section), QString::fromUtf8(e.name), fallback);
}
