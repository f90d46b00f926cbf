#include "picture/PluginMessages.h"

namespace tesselvane {

namespace {

PluginMessage message(PluginCall call, std::int32_t result = 0) {
    PluginMessage m;
    m.call = call;
    m.result = result;
    return m;
}

// The message's fields when it is a `call` with `count` of them.
std::optional<QList<QByteArray>> fieldsOf(const PluginMessage& m, PluginCall call,
                                          qsizetype count) {
    if (m.call != call)
        return std::nullopt;
    QList<QByteArray> fields = m.fields();
    if (fields.size() != count)
        return std::nullopt;
    return fields;
}

// A request that names only its plug-in, and its reading.
PluginMessage pluginOnly(PluginCall call, const QByteArray& plugin) {
    PluginMessage m = message(call);
    m.addField(plugin);
    return m;
}

std::optional<QByteArray> pluginOf(const PluginMessage& m, PluginCall call) {
    const auto fields = fieldsOf(m, call, 1);
    if (!fields)
        return std::nullopt;
    return fields->at(0);
}

std::optional<PluginOutcome> outcomeOf(std::int32_t result) {
    switch (result) {
        case static_cast<std::int32_t>(PluginOutcome::Done):
        case static_cast<std::int32_t>(PluginOutcome::Declined):
        case static_cast<std::int32_t>(PluginOutcome::BadPicture):
        case static_cast<std::int32_t>(PluginOutcome::NoMemory):
            return static_cast<PluginOutcome>(result);
        default:
            return std::nullopt;
    }
}

// A decode request's last number when it asks for a cut rather than a fit (whose styles are
// small numbers).
constexpr std::int64_t kCutCentred = 0x100;
constexpr std::int64_t kCutTiled = 0x101;

}  // namespace

PluginMessage SpiInfoRequest::toMessage() const {
    return pluginOnly(PluginCall::SpiInfo, plugin);
}

std::optional<SpiInfoRequest> SpiInfoRequest::from(const PluginMessage& m) {
    const auto plugin = pluginOf(m, PluginCall::SpiInfo);
    return plugin ? std::optional(SpiInfoRequest{*plugin}) : std::nullopt;
}

PluginMessage SpiInfoAnswer::toMessage() const {
    PluginMessage m = message(PluginCall::SpiInfo, importFilter ? 0 : -1);
    m.number[0] = readsPictures ? 1 : 0;
    for (const auto& [description, pattern] : types) {
        m.addField(description);
        m.addField(pattern);
    }
    return m;
}

std::optional<SpiInfoAnswer> SpiInfoAnswer::from(const PluginMessage& m) {
    if (m.call != PluginCall::SpiInfo)
        return std::nullopt;
    SpiInfoAnswer answer;
    answer.importFilter = m.result == 0;
    answer.readsPictures = m.number[0] != 0;
    const QList<QByteArray> fields = m.fields();
    for (qsizetype k = 0; k + 1 < fields.size(); k += 2)
        answer.types.append({fields[k], fields[k + 1]});
    return answer;
}

PluginMessage SpiIsSupportedRequest::toMessage() const {
    PluginMessage m = message(PluginCall::SpiIsSupported);
    m.addField(plugin);
    m.addField(file);
    m.number[0] = offset;
    return m;
}

std::optional<SpiIsSupportedRequest> SpiIsSupportedRequest::from(const PluginMessage& m) {
    const auto fields = fieldsOf(m, PluginCall::SpiIsSupported, 2);
    if (!fields)
        return std::nullopt;
    return SpiIsSupportedRequest{fields->at(0), fields->at(1), m.number[0]};
}

PluginMessage SpiIsSupportedAnswer::toMessage() const {
    return message(PluginCall::SpiIsSupported, answer);
}

std::optional<SpiIsSupportedAnswer> SpiIsSupportedAnswer::from(const PluginMessage& m) {
    if (m.call != PluginCall::SpiIsSupported)
        return std::nullopt;
    return SpiIsSupportedAnswer{m.result};
}

PluginMessage SpiDecodeRequest::toMessage() const {
    PluginMessage m = message(PluginCall::SpiDecode);
    m.addField(plugin);
    m.addField(file);
    m.number[0] = offset;
    if (!fitScreen.isEmpty()) {
        m.number[1] = fitScreen.width();
        m.number[2] = fitScreen.height();
        m.number[3] = static_cast<std::int64_t>(fitStyle);
    } else if (!largestMonitor.isEmpty()) {
        m.number[1] = largestMonitor.width();
        m.number[2] = largestMonitor.height();
        m.number[3] = placement == WallpaperStyle::Tiled ? kCutTiled : kCutCentred;
    }
    return m;
}

std::optional<SpiDecodeRequest> SpiDecodeRequest::from(const PluginMessage& m) {
    const auto fields = fieldsOf(m, PluginCall::SpiDecode, 2);
    if (!fields)
        return std::nullopt;
    SpiDecodeRequest request{
        fields->at(0), fields->at(1),           m.number[0], QSize(), FitStyle::Stretch,
        QSize(),       WallpaperStyle::Centered};
    // A screen no larger than any there is; anything else is no screen.
    constexpr std::int64_t kLargestSide = 1 << 16;
    if (m.number[1] <= 0 || m.number[1] > kLargestSide || m.number[2] <= 0 ||
        m.number[2] > kLargestSide)
        return request;
    const QSize screen(static_cast<int>(m.number[1]), static_cast<int>(m.number[2]));
    if (m.number[3] == kCutCentred || m.number[3] == kCutTiled) {
        request.largestMonitor = screen;
        request.placement =
            m.number[3] == kCutTiled ? WallpaperStyle::Tiled : WallpaperStyle::Centered;
    } else {
        request.fitScreen = screen;
        request.fitStyle = fitStyleFromStored(static_cast<int>(m.number[3] & 0xFF));
    }
    return request;
}

PluginMessage SpiDecodeAnswer::toMessage() const {
    PluginMessage m = message(PluginCall::SpiDecode, static_cast<std::int32_t>(outcome));
    if (outcome == PluginOutcome::Done) {
        m.number[0] = picture.width;
        m.number[1] = picture.height;
        m.number[2] = picture.format;
        m.number[3] = picture.bytesPerLine;
        m.addField(picture.colours);
        m.addField(picture.palette ? *picture.palette : QByteArray("-"));
    } else if (outcome == PluginOutcome::BadPicture) {
        m.addField(reason);
    }
    return m;
}

std::optional<SpiDecodeAnswer> SpiDecodeAnswer::from(const PluginMessage& m) {
    const auto outcome = outcomeOf(m.result);
    if (m.call != PluginCall::SpiDecode || !outcome)
        return std::nullopt;
    SpiDecodeAnswer answer;
    answer.outcome = *outcome;
    const QList<QByteArray> fields = m.fields();
    if (*outcome == PluginOutcome::Done) {
        if (fields.size() != 2)
            return std::nullopt;
        answer.picture = {m.number[0], m.number[1], m.number[2],
                          m.number[3], fields[0],   std::nullopt};
        if (fields[1] != "-")
            answer.picture.palette = fields[1];
    } else if (*outcome == PluginOutcome::BadPicture && fields.size() == 1) {
        answer.reason = fields[0];
    }
    return answer;
}

PluginMessage BpiInfoRequest::toMessage() const {
    return pluginOnly(PluginCall::BpiInfo, plugin);
}

std::optional<BpiInfoRequest> BpiInfoRequest::from(const PluginMessage& m) {
    const auto plugin = pluginOf(m, PluginCall::BpiInfo);
    return plugin ? std::optional(BpiInfoRequest{*plugin}) : std::nullopt;
}

PluginMessage BpiInfoAnswer::toMessage() const {
    PluginMessage m = message(PluginCall::BpiInfo, loaded ? 0 : -1);
    if (loaded) {
        for (const QByteArray& text : texts)
            m.addField(text);
    }
    m.number[0] = hasSetting ? 1 : 0;
    m.number[1] = hasExecute ? 1 : 0;
    return m;
}

std::optional<BpiInfoAnswer> BpiInfoAnswer::from(const PluginMessage& m) {
    if (m.call != PluginCall::BpiInfo)
        return std::nullopt;
    BpiInfoAnswer answer;
    const QList<QByteArray> fields = m.fields();
    // Anything but four texts is a plug-in that could not be asked.
    answer.loaded = m.result == 0 && fields.size() == 4;
    if (answer.loaded) {
        for (std::size_t k = 0; k < answer.texts.size(); ++k)
            answer.texts[k] = fields[static_cast<qsizetype>(k)];
    }
    answer.hasSetting = m.number[0] != 0;
    answer.hasExecute = m.number[1] != 0;
    return answer;
}

PluginMessage BpiExecuteRequest::toMessage() const {
    PluginMessage m = message(PluginCall::BpiExecute);
    m.addField(plugin);
    m.addField(key);
    m.addField(store);
    m.number[0] = static_cast<std::int64_t>(window);
    m.number[1] = static_cast<std::int64_t>(size);
    m.number[2] = place;
    m.number[3] = last ? 1 : 0;
    return m;
}

std::optional<BpiExecuteRequest> BpiExecuteRequest::from(const PluginMessage& m) {
    const auto fields = fieldsOf(m, PluginCall::BpiExecute, 3);
    if (!fields || m.number[1] < 0)
        return std::nullopt;
    return BpiExecuteRequest{fields->at(0),
                             fields->at(1),
                             fields->at(2),
                             static_cast<std::uint64_t>(m.number[0]),
                             static_cast<std::uint64_t>(m.number[1]),
                             m.number[2],
                             m.number[3] != 0};
}

PluginMessage BpiExecuteAnswer::toMessage() const {
    PluginMessage m = message(PluginCall::BpiExecute, static_cast<std::int32_t>(outcome));
    m.number[0] = static_cast<std::int64_t>(size);
    m.number[1] = unchanged ? 1 : 0;
    if (!reason.isEmpty())
        m.addField(reason);
    return m;
}

std::optional<BpiExecuteAnswer> BpiExecuteAnswer::from(const PluginMessage& m) {
    const auto outcome = outcomeOf(m.result);
    if (m.call != PluginCall::BpiExecute || !outcome || m.number[0] < 0)
        return std::nullopt;
    BpiExecuteAnswer answer;
    answer.outcome = *outcome;
    answer.size = static_cast<std::uint64_t>(m.number[0]);
    answer.unchanged = *outcome == PluginOutcome::Done && m.number[1] != 0;
    const QList<QByteArray> fields = m.fields();
    if (fields.size() == 1)
        answer.reason = fields[0];
    return answer;
}

PluginMessage BpiSettingRequest::toMessage() const {
    PluginMessage m = message(PluginCall::BpiSetting);
    m.addField(plugin);
    m.addField(key);
    m.addField(store);
    m.number[0] = static_cast<std::int64_t>(window);
    m.number[1] = static_cast<std::int64_t>(size);
    return m;
}

std::optional<BpiSettingRequest> BpiSettingRequest::from(const PluginMessage& m) {
    const auto fields = fieldsOf(m, PluginCall::BpiSetting, 3);
    if (!fields || m.number[1] < 0)
        return std::nullopt;
    return BpiSettingRequest{fields->at(0), fields->at(1), fields->at(2),
                             static_cast<std::uint64_t>(m.number[0]),
                             static_cast<std::uint64_t>(m.number[1])};
}

PluginMessage BpiSettingAnswer::toMessage() const {
    return message(PluginCall::BpiSetting, answer);
}

std::optional<BpiSettingAnswer> BpiSettingAnswer::from(const PluginMessage& m) {
    if (m.call != PluginCall::BpiSetting)
        return std::nullopt;
    return BpiSettingAnswer{m.result};
}

}  // namespace tesselvane
