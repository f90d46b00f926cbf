#include "Options.h"

#include "ProgramPaths.h"
#include "RegIni.h"

namespace tesselvane {

TMyOption MyOption;

namespace {

const QString kOption = QStringLiteral("Option");
const QString kTime = QStringLiteral("Time");
constexpr std::int32_t kNoOptionSub = 999;

std::uint8_t lowByte(std::int32_t value) {
    return static_cast<std::uint8_t>(value & 0xff);
}

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

}  // namespace

void LoadOptions(RegIni& ini, TMyOption& o, const QString& programFolder) {
    o.UpdateReg = ini.ReadBool(kOption, QStringLiteral("UpdateReg"), true);
    o.Random = ini.ReadBool(kOption, QStringLiteral("Random"), false);
    o.FitScreen = ini.ReadBool(kOption, QStringLiteral("FitScreen"), false);
    o.SlideMode = lowByte(ini.ReadInteger(kOption, QStringLiteral("SlideMode"), 0));
    o.SlideTime = ini.ReadInteger(kOption, QStringLiteral("SlideTime"), 3);
    o.PluginPath = ini.ReadString(kOption, QStringLiteral("PluginPath"), QString());
    o.UseJpeg = ini.ReadBool(kOption, QStringLiteral("UseJpeg"), true);
    if (o.PluginPath.isEmpty())
        o.PluginPath = programFolder;
    o.UseSound = ini.ReadBool(kOption, QStringLiteral("UseSound"), false);
    o.SoundFile = ini.ReadString(kOption, QStringLiteral("SoundFile"), QString());
    o.SoundPos = lowByte(ini.ReadInteger(kOption, QStringLiteral("SoundPos"), 0));

    TOptTime& t = o.Time;
    t.Option = ini.ReadInteger(kTime, QStringLiteral("Option"), 0);
    t.Path = ini.ReadString(kTime, QStringLiteral("Path"), programFolder);
    t.Scale = ini.ReadInteger(kTime, QStringLiteral("Scale"), 0);
    t.Value = ini.ReadInteger(kTime, QStringLiteral("Value"), 0);
    t.TimeBoot = ini.ReadBool(kTime, QStringLiteral("TimeBoot"), false);
    t.SetWeekday = ini.ReadBool(kTime, QStringLiteral("SetWeekday"), false);
    t.OptionSub = ini.ReadInteger(kTime, QStringLiteral("OptionSub"), kNoOptionSub);
    if (t.OptionSub == kNoOptionSub)
        return;

    t.Option = convertLegacyMode(t.Option, t.OptionSub);
    // Both steps in one commit, so that a crash between them cannot leave the sub-mode gone
    // and the old mode in place.
    RegIni::Batch batch(ini, QStringLiteral("Option"));
    ini.DeleteKey(kTime, QStringLiteral("OptionSub"));
    ini.WriteInteger(kTime, QStringLiteral("Option"), t.Option);
    batch.Commit();
}

void LoadOptions(RegIni& ini) {
    LoadOptions(ini, MyOption, programFolder());
}

void SaveOptions(RegIni& ini, const TMyOption& o) {
    RegIni::Batch batch(ini, kOption);
    ini.WriteBool(kOption, QStringLiteral("UpdateReg"), o.UpdateReg);
    ini.WriteBool(kOption, QStringLiteral("Random"), o.Random);
    ini.WriteBool(kOption, QStringLiteral("FitScreen"), o.FitScreen);
    ini.WriteInteger(kOption, QStringLiteral("SlideMode"), o.SlideMode);
    ini.WriteInteger(kOption, QStringLiteral("SlideTime"), o.SlideTime);
    ini.WriteString(kOption, QStringLiteral("PluginPath"), o.PluginPath);
    ini.WriteBool(kOption, QStringLiteral("UseJpeg"), o.UseJpeg);
    ini.WriteBool(kOption, QStringLiteral("UseSound"), o.UseSound);
    ini.WriteString(kOption, QStringLiteral("SoundFile"), o.SoundFile);
    ini.WriteInteger(kOption, QStringLiteral("SoundPos"), o.SoundPos);

    const TOptTime& t = o.Time;
    ini.WriteInteger(kTime, QStringLiteral("Option"), t.Option);
    ini.WriteString(kTime, QStringLiteral("Path"), t.Path);
    ini.WriteInteger(kTime, QStringLiteral("Scale"), t.Scale);
    ini.WriteInteger(kTime, QStringLiteral("Value"), t.Value);
    ini.WriteBool(kTime, QStringLiteral("TimeBoot"), t.TimeBoot);
    ini.WriteBool(kTime, QStringLiteral("SetWeekday"), t.SetWeekday);
    batch.Commit();
}

void SaveOptions(RegIni& ini) {
    SaveOptions(ini, MyOption);
}

}  // namespace tesselvane
