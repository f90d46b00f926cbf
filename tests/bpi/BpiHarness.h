#pragma once

// Loads the extension plug-ins from the build's bin folder and calls them the way the host
// does: with malloc'd packed DIBs, the host's key and the host's settings store.

#include "tesselvane_bpi.h"

#include <QImage>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDialog;
class QTimer;
class QWidget;

namespace tesselvane::test {

inline constexpr char kHostKey[] = "\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn";
inline constexpr char kCalendarKey[] = "\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn\\Calendar";
inline constexpr char kColorFilterKey[] = "\\SOFTWARE\\Morvanti\\TESSEL\\PlugIn\\ColorFilter";

inline constexpr char kCalendarFile[] = "calendar.bpi";
inline constexpr char kColorFilterFile[] = "colorfilter.bpi";

class Extension {
public:
    // Loaded once per process and never unloaded, so that leak reports can name its code.
    static const Extension& get(const std::string& fileName);

    decltype(&::GetPlugInInfo) getPlugInInfo = nullptr;
    decltype(&::SettingPlugIn) settingPlugIn = nullptr;
    decltype(&::ExecutePlugIn) executePlugIn = nullptr;
    std::string loadError;  // empty when every function was found

    // GetPlugInInfo with a 256-byte buffer; fails the test when it writes past it or leaves
    // no terminator. Empty when nothing was written.
    std::string info(int32_t infono) const;

private:
    explicit Extension(const std::string& fileName);
};

// The host's settings store that TesselvaneReadSetting and TesselvaneWriteSetting of this
// binary work on; cleared before every test.
namespace host {
void clearSettings();
void setSetting(const std::string& key, const std::string& name, const std::string& value);
// Ticks "壁紙に使う" for the plug-in whose settings live under `key`, as its dialog would.
void switchOn(const std::string& key);
std::optional<std::string> setting(const std::string& key, const std::string& name);
size_t settingCount();
}  // namespace host

// A packed DIB in one malloc'd block, as the host hands it over.
class Dib {
public:
    Dib() = default;
    // Takes `block` of `size` bytes, malloc'd.
    Dib(void* block, size_t size) : block_(block), size_(size) {}
    ~Dib();
    Dib(Dib&& other) noexcept;
    Dib& operator=(Dib&& other) noexcept;

    // 24- or 32-bit bottom-up, from `image`; 32 bits keep its alpha.
    static Dib fromImage(const QImage& image, int bits = 24);
    // 8-bit bottom-up, `table` written as biClrUsed entries (biClrUsed 0 when `writeZeroUsed`
    // and the table has 256 entries); pixel (x, y) is index(x, y).
    static Dib indexed(int width, int height, const std::vector<QRgb>& table,
                       const std::function<uint8_t(int x, int y)>& index,
                       bool writeZeroUsed = false);
    // Exactly these bytes in a block of exactly their size.
    static Dib raw(const std::vector<uint8_t>& bytes);

    void* block() const { return block_; }
    size_t size() const { return size_; }
    std::vector<uint8_t> bytes() const;
    SpiBitmapInfoHeader header() const;
    void setHeader(const SpiBitmapInfoHeader& header);

    // The picture as the host reads it, ARGB32; a null image (and a test failure) when the
    // block is not a sound 8, 24 or 32-bit DIB.
    QImage toImage() const;

    // ExecutePlugIn as the host calls it. When the plug-in hands back a new block, checks it,
    // frees the old one and keeps the new one.
    int32_t execute(const Extension& extension, const char* key = kHostKey, uintptr_t window = 0);
    bool replacedByLastRun() const { return replaced_; }

private:
    void* block_ = nullptr;
    size_t size_ = 0;
    bool replaced_ = false;
};

// A grey picture, or any other uniform one.
QImage uniformImage(int width, int height, QRgb color = qRgb(128, 128, 128));
// A smooth picture whose every pixel differs from its neighbours.
QImage gradientImage(int width, int height);

// The smallest rectangle holding every pixel that differs between the two; empty when none.
QRect changedArea(const QImage& before, const QImage& after);

// Answers the next modal dialog that shows up and that `accepts`, by calling `action` with it
// from the event loop of its exec(). Gives up after a while, rejecting whatever modal dialog is
// open, so that a test never hangs on a dialog nobody answers.
class DialogAnswer {
public:
    DialogAnswer(std::function<void(QDialog*)> action,
                 std::function<bool(QDialog*)> accepts = nullptr);
    ~DialogAnswer();
    DialogAnswer(const DialogAnswer&) = delete;
    DialogAnswer& operator=(const DialogAnswer&) = delete;

    bool answered() const { return answered_; }

private:
    std::unique_ptr<QTimer> timer_;
    bool answered_ = false;
};

}  // namespace tesselvane::test
