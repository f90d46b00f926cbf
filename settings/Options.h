#pragma once

#include <QString>

#include <cstdint>

namespace tesselvane {

class RegIni;

// The legacy sub-mode's value when there is none.
inline constexpr std::int32_t kNoOptionSub = 999;

// When the wallpaper changes: TOptTime::Option as it is stored.
enum class ScheduleMode : std::int32_t {
    AtStart = 0,   // at every start, from the chosen group
    Interval = 1,  // every Value units of Scale, from the chosen group
    // The date modes: the picture numbered for today, from the files in Path.
    Day = 2,
    Weekday = 3,
    Week = 4,
    Month = 5,
};

// Schedule settings, kept in section "Time".
struct TOptTime {
    std::int32_t Option = 0;                // a ScheduleMode
    std::int32_t OptionSub = kNoOptionSub;  // legacy sub-mode; never saved
    QString Path;                           // target folder of the date modes
    std::int32_t Scale = 0;                 // interval unit: 0 hours, 1 minutes, 2 seconds
    std::int32_t Value = 0;                 // interval in units of Scale
    bool TimeBoot = false;                  // interval mode also changes at start
    bool SetWeekday = false;                // the current group follows the weekday
};

inline ScheduleMode scheduleMode(const TOptTime& time) {
    return static_cast<ScheduleMode>(time.Option);
}
// A date mode: one picture a day, week or month, not a group's pictures in turn.
inline bool changesByDate(const TOptTime& time) {
    return time.Option >= static_cast<std::int32_t>(ScheduleMode::Day);
}

// Every option, kept in section "Option" (the schedule in "Time").
struct TMyOption {
    bool UpdateReg = true;
    bool Random = false;
    bool FitScreen = false;
    std::int32_t FitStyle = 0;     // with FitScreen: 0 stretch, 1 whole picture inside, 2 cover
    bool MonitorPictures = false;  // each monitor its own picture of the group
    std::uint8_t SlideMode = 0;    // 0 automatic, 1 manual
    std::int32_t SlideTime = 3;    // seconds per picture
    QString PluginPath;
    bool UseJpeg = true;
    bool UseSound = false;
    QString SoundFile;
    std::uint8_t SoundPos = 0;  // 0 when the change starts, 1 when it ends
    TOptTime Time;
};

// The program's options, loaded once at start and saved once at the end.
extern TMyOption MyOption;

// Fills `options` from the store. Absent values take their defaults; an empty plug-in folder,
// and an absent target folder, become `programFolder`. A legacy schedule (a sub-mode in
// Time\OptionSub) is converted and written back at once.
void LoadOptions(RegIni& ini, TMyOption& options, const QString& programFolder);
// The same on MyOption with the program folder of this process.
void LoadOptions(RegIni& ini);

// Writes every option but the legacy sub-mode, all in one commit.
void SaveOptions(RegIni& ini, const TMyOption& options);
void SaveOptions(RegIni& ini);

}  // namespace tesselvane
