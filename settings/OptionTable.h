#pragma once

#include "settings/Options.h"

#include <QLatin1String>

#include <cstdint>
#include <variant>

namespace tesselvane {

// Every stored option described once: where it lives, how it is read and written, its
// default and the values the dialogs accept. LoadOptions and SaveOptions walk these tables
// in order; the dialogs take their ranges from them.

// What an absent (or, for some, empty) text value becomes.
enum class TextDefault {
    Empty,
    ProgramFolderWhenAbsent,  // a stored empty text stays empty
    ProgramFolderWhenEmpty,   // absent or stored empty
};

// The values a dialog lets the user choose; {0, 0} for none beyond the field's type.
struct OptionRange {
    std::int32_t min = 0;
    std::int32_t max = 0;
};

// A field of `Record` and how it is stored: a boolean as "1"/"0", an integer as decimal text
// (an 8-bit field keeps the low 8 bits of what is read), a text as it is.
template <class Record>
struct OptionField {
    using Field = std::variant<bool Record::*, std::int32_t Record::*, std::uint8_t Record::*,
                               QString Record::*>;
    QLatin1String name;
    Field field;
    std::int32_t defaultNumber = 0;  // booleans: 1 true, 0 false
    TextDefault defaultText = TextDefault::Empty;
    std::int32_t min = 0;  // the range the dialogs accept; 0, 0 for none
    std::int32_t max = 0;
    bool saved = true;  // false: read for the legacy conversion only
};

inline constexpr QLatin1String kOptionSection("Option");
inline constexpr QLatin1String kTimeSection("Time");

// Section "Option", in the order they are read and written.
inline constexpr OptionField<TMyOption> kOptionFields[] = {
    {.name = QLatin1String("UpdateReg"), .field = &TMyOption::UpdateReg, .defaultNumber = 1},
    {.name = QLatin1String("Random"), .field = &TMyOption::Random},
    {.name = QLatin1String("FitScreen"), .field = &TMyOption::FitScreen},
    {.name = QLatin1String("FitStyle"), .field = &TMyOption::FitStyle, .min = 0, .max = 2},
    {.name = QLatin1String("MonitorPictures"), .field = &TMyOption::MonitorPictures},
    {.name = QLatin1String("SlideMode"), .field = &TMyOption::SlideMode, .min = 0, .max = 1},
    {.name = QLatin1String("SlideTime"),
     .field = &TMyOption::SlideTime,
     .defaultNumber = 3,
     .min = 1,
     .max = 60},
    {.name = QLatin1String("PluginPath"),
     .field = &TMyOption::PluginPath,
     .defaultText = TextDefault::ProgramFolderWhenEmpty},
    {.name = QLatin1String("UseJpeg"), .field = &TMyOption::UseJpeg, .defaultNumber = 1},
    {.name = QLatin1String("UseSound"), .field = &TMyOption::UseSound},
    {.name = QLatin1String("SoundFile"), .field = &TMyOption::SoundFile},
    {.name = QLatin1String("SoundPos"), .field = &TMyOption::SoundPos, .min = 0, .max = 1},
};

// Section "Time" (the field MyOption.Time), in the order they are read and written.
inline constexpr OptionField<TOptTime> kTimeFields[] = {
    {.name = QLatin1String("Option"), .field = &TOptTime::Option, .min = 0, .max = 5},
    {.name = QLatin1String("Path"),
     .field = &TOptTime::Path,
     .defaultText = TextDefault::ProgramFolderWhenAbsent},
    {.name = QLatin1String("Scale"), .field = &TOptTime::Scale, .min = 0, .max = 2},
    {.name = QLatin1String("Value"), .field = &TOptTime::Value, .min = 0, .max = 60},
    {.name = QLatin1String("TimeBoot"), .field = &TOptTime::TimeBoot},
    {.name = QLatin1String("SetWeekday"), .field = &TOptTime::SetWeekday},
    {.name = QLatin1String("OptionSub"),
     .field = &TOptTime::OptionSub,
     .defaultNumber = kNoOptionSub,
     .saved = false},
};

// The range the table gives `field`; {0, 0} when it gives none.
template <class Record, class Value>
constexpr OptionRange optionRange(Value Record::*field) {
    const auto find = [field](const auto& table) {
        for (const auto& entry : table) {
            if (const auto* member = std::get_if<Value Record::*>(&entry.field);
                member && *member == field)
                return OptionRange{entry.min, entry.max};
        }
        return OptionRange{};
    };
    if constexpr (std::is_same_v<Record, TMyOption>)
        return find(kOptionFields);
    else
        return find(kTimeFields);
}

}  // namespace tesselvane
