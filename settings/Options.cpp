#include "settings/Options.h"

#include "platform/ProgramPaths.h"
#include "platform/ScreenFit.h"
#include "settings/OptionTable.h"
#include "settings/RegIni.h"

namespace tesselvane {

TMyOption MyOption;

namespace {

// Older stores kept the date modes as mode 0 plus a sub-mode.
std::int32_t convertLegacyMode(std::int32_t option, std::int32_t optionSub) {
    if (option != 0)
        return option;
    switch (optionSub) {
        case 0:
            return 0;
        case 1:
            return 2;
        case 2:
            return 3;
        case 3:
            return 4;
        case 4:
            return 5;
        default:
            return 1;
    }
}

template <class Record, std::size_t N>
void loadFields(const RegIni& ini, QLatin1String sectionName, const OptionField<Record> (&table)[N],
                Record& record, const QString& programFolder) {
    const QString section(sectionName);
    for (const OptionField<Record>& entry : table) {
        const QString name(entry.name);
        std::visit(
            [&](auto member) {
                auto& field = record.*member;
                using Value = std::remove_reference_t<decltype(field)>;
                if constexpr (std::is_same_v<Value, bool>) {
                    field = ini.ReadBool(section, name, entry.defaultNumber != 0);
                } else if constexpr (std::is_same_v<Value, std::uint8_t>) {
                    field = static_cast<std::uint8_t>(
                        ini.ReadInteger(section, name, entry.defaultNumber) & 0xff);
                } else if constexpr (std::is_same_v<Value, std::int32_t>) {
                    field = ini.ReadInteger(section, name, entry.defaultNumber);
                } else {
                    const bool folderWhenAbsent =
                        entry.defaultText == TextDefault::ProgramFolderWhenAbsent;
                    field =
                        ini.ReadString(section, name, folderWhenAbsent ? programFolder : QString());
                    if (field.isEmpty() && entry.defaultText == TextDefault::ProgramFolderWhenEmpty)
                        field = programFolder;
                }
            },
            entry.field);
    }
}

template <class Record, std::size_t N>
void saveFields(RegIni& ini, QLatin1String sectionName, const OptionField<Record> (&table)[N],
                const Record& record) {
    const QString section(sectionName);
    for (const OptionField<Record>& entry : table) {
        if (!entry.saved)
            continue;
        const QString name(entry.name);
        std::visit(
            [&](auto member) {
                const auto& field = record.*member;
                using Value = std::remove_cvref_t<decltype(field)>;
                if constexpr (std::is_same_v<Value, bool>)
                    ini.WriteBool(section, name, field);
                else if constexpr (std::is_same_v<Value, QString>)
                    ini.WriteString(section, name, field);
                else
                    ini.WriteInteger(section, name, field);
            },
            entry.field);
    }
}

}  // namespace

void LoadOptions(RegIni& ini, TMyOption& options, const QString& programFolder) {
    loadFields(ini, kOptionSection, kOptionFields, options, programFolder);
    options.FitStyle = static_cast<std::int32_t>(fitStyleFromStored(options.FitStyle));
    TOptTime& time = options.Time;
    loadFields(ini, kTimeSection, kTimeFields, time, programFolder);
    if (time.OptionSub == kNoOptionSub)
        return;

    time.Option = convertLegacyMode(time.Option, time.OptionSub);
    // Both steps in one commit, so that a crash between them cannot leave the sub-mode gone
    // and the old mode in place.
    const QString section(kTimeSection);
    RegIni::Batch batch(ini, QString(kOptionSection));
    ini.DeleteKey(section, QStringLiteral("OptionSub"));
    ini.WriteInteger(section, QStringLiteral("Option"), time.Option);
    batch.commit();
}

void LoadOptions(RegIni& ini) {
    LoadOptions(ini, MyOption, programFolder());
}

void SaveOptions(RegIni& ini, const TMyOption& options) {
    RegIni::Batch batch(ini, QString(kOptionSection));
    saveFields(ini, kOptionSection, kOptionFields, options);
    saveFields(ini, kTimeSection, kTimeFields, options.Time);
    batch.commit();
}

void SaveOptions(RegIni& ini) {
    SaveOptions(ini, MyOption);
}

}  // namespace tesselvane
