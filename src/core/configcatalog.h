#pragma once

#include "core/inifile.h"
#include <QString>
#include <span>

// Every key of config.ini, in one table: section as the board spells it, name, type, default,
// reading moment and effect. Every read of config.ini goes through the functions below, so the
// table is the whole truth about the file (the operator's reference is generated from it).
enum class ConfigKey {
    ImagesFileMask,
    ImagesFolder,
    NewFilesTimer,
    NextImageTimer,
    ShowOnMonitor,
    StretchImage,
    KeepAspectRatio,
    PollSourceDrive,
    StopScreenSaver,
    OffsetX,
    OffSetY,
    MaxWidth,
    MaxHeight,
    ShowFileName,
    UsePlaylist,
    NoSound,
    ScrollWebpage,
    scrollspeed,
    EnableSchedule,
    SunOn,
    MonOn,
    TueOn,
    WedOn,
    ThuOn,
    FriOn,
    SatOn,
    SunOff,
    MonOff,
    TueOff,
    WedOff,
    ThuOff,
    FriOff,
    SatOff,
    OffScheduleText,
    Holiday, // any name in [HOLIDAYS]; only the values count
};

enum class ConfigType { Text, Integer, Switch, Time, Date };
enum class ReadMoment { Start, EachUse };

struct ConfigEntry {
    ConfigKey key;
    const char* section; // as the board reads it; section names ignore letter case
    const char* name;    // "*" for the free names of [HOLIDAYS]
    ConfigType type;
    const char* defaultText; // for ImagesFolder: empty, standing for the start directory
    ReadMoment moment;
    const char* effect;
};

std::span<const ConfigEntry> configCatalog();
const ConfigEntry& configEntry(ConfigKey key);

// The day's On and Off keys, for a weekday numbered 1 = Sunday to 7 = Saturday.
ConfigKey scheduleOnKey(int weekday);
ConfigKey scheduleOffKey(int weekday);

QString readConfigText(const TIniFile& ini, ConfigKey key);
int readConfigInteger(const TIniFile& ini, ConfigKey key);
bool readConfigSwitch(const TIniFile& ini, ConfigKey key);
// The default is converted by the regional rules; a default that does not convert is an error.
TDateTime readConfigTime(const TIniFile& ini, ConfigKey key);
