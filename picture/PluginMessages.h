#pragma once

#include "picture/PluginChannel.h"
#include "platform/ScreenFit.h"

#include <QByteArray>
#include <QList>
#include <QSize>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace tesselvane {

// Each call between the program and the plug-in helper as one request and one answer, each
// written to a message and read from one here, and nowhere else. Reading checks what an
// answer holds: nullopt for a message that is not that answer.

// How a decode or a processing call ended.
enum class PluginOutcome : std::int32_t {
    Done = 0,
    Declined = 1,    // the plug-in gave no picture: as if no reader took the file
    BadPicture = 2,  // what it gave is not a picture; the answer says why
    NoMemory = 3,
};

// A picture in a shared block, laid out as the program keeps it (SharedPicture.h).
struct SharedPictureLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t format = 0;  // a QImage::Format
    std::int64_t bytesPerLine = 0;
    QByteArray colours;  // the picture's colour table: hexadecimal entries, each and a space
    std::optional<QByteArray> palette;  // the palette its header asked for, written the same
};

struct SpiInfoRequest {
    QByteArray plugin;  // the plug-in file
    PluginMessage toMessage() const;
    static std::optional<SpiInfoRequest> from(const PluginMessage& message);
};
struct SpiInfoAnswer {
    bool importFilter = false;                       // false: not a library, or no import filter
    bool readsPictures = false;                      // it has every entry point a decode needs
    QList<std::pair<QByteArray, QByteArray>> types;  // description and pattern
    PluginMessage toMessage() const;
    static std::optional<SpiInfoAnswer> from(const PluginMessage& message);
};

// Sent with the file's descriptor.
struct SpiIsSupportedRequest {
    QByteArray plugin;
    QByteArray file;
    std::int64_t offset = 0;
    PluginMessage toMessage() const;
    static std::optional<SpiIsSupportedRequest> from(const PluginMessage& message);
};
struct SpiIsSupportedAnswer {
    std::int32_t answer = 0;  // IsSupported's; not 0 when it reads the file
    PluginMessage toMessage() const;
    static std::optional<SpiIsSupportedAnswer> from(const PluginMessage& message);
};

struct SpiDecodeRequest {
    QByteArray plugin;
    QByteArray file;
    std::int64_t offset = 0;
    QSize fitScreen;  // not empty: the picture comes fitted to this screen
    FitStyle fitStyle = FitStyle::Stretch;
    // Not empty (and no fitScreen): the picture comes cut to what monitors of at most this
    // size show of it, placed as `placement` says.
    QSize largestMonitor = {};
    WallpaperStyle placement = WallpaperStyle::Centered;
    PluginMessage toMessage() const;
    static std::optional<SpiDecodeRequest> from(const PluginMessage& message);
};
// Done comes with the picture's block.
struct SpiDecodeAnswer {
    PluginOutcome outcome = PluginOutcome::Declined;
    SharedPictureLayout picture;  // when Done
    QByteArray reason;            // when BadPicture
    PluginMessage toMessage() const;
    static std::optional<SpiDecodeAnswer> from(const PluginMessage& message);
};

struct BpiInfoRequest {
    QByteArray plugin;
    PluginMessage toMessage() const;
    static std::optional<BpiInfoRequest> from(const PluginMessage& message);
};
struct BpiInfoAnswer {
    bool loaded = false;              // false: not a library, or no GetPlugInInfo
    std::array<QByteArray, 4> texts;  // type, name, version, order
    bool hasSetting = false;
    bool hasExecute = false;
    PluginMessage toMessage() const;
    static std::optional<BpiInfoAnswer> from(const PluginMessage& message);
};

// Sent with the packed DIB's block.
struct BpiExecuteRequest {
    QByteArray plugin;
    QByteArray key;    // where plug-ins keep their settings
    QByteArray store;  // the store file
    std::uint64_t window = 0;
    std::uint64_t size = 0;  // of the packed DIB
    std::int64_t place = 0;  // the plug-in's place in this change's run, from 0
    bool last = false;       // the last of the run
    PluginMessage toMessage() const;
    static std::optional<BpiExecuteRequest> from(const PluginMessage& message);
};
// Done comes with the resulting DIB's block, unless `unchanged`.
struct BpiExecuteAnswer {
    PluginOutcome outcome = PluginOutcome::BadPicture;
    std::uint64_t size = 0;  // of the resulting DIB
    bool unchanged = false;  // handed back as it came: no block
    QByteArray reason;
    PluginMessage toMessage() const;
    static std::optional<BpiExecuteAnswer> from(const PluginMessage& message);
};

// Sent with the packed DIB's block, when there is a picture to show.
struct BpiSettingRequest {
    QByteArray plugin;
    QByteArray key;
    QByteArray store;
    std::uint64_t window = 0;
    std::uint64_t size = 0;  // of the packed DIB, 0 for none
    PluginMessage toMessage() const;
    static std::optional<BpiSettingRequest> from(const PluginMessage& message);
};
struct BpiSettingAnswer {
    std::int32_t answer = -1;  // SettingPlugIn's
    PluginMessage toMessage() const;
    static std::optional<BpiSettingAnswer> from(const PluginMessage& message);
};

}  // namespace tesselvane
