#include "BpiHarness.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include <dlfcn.h>
#include <malloc.h>

namespace {

std::map<std::pair<std::string, std::string>, std::string>& store() {
    static std::map<std::pair<std::string, std::string>, std::string> values;
    return values;
}

}  // namespace

// The host's side of the settings, found by the plug-ins in this executable.
extern "C" __attribute__((visibility("default"))) int32_t TesselvaneReadSetting(const char* key,
                                                                                const char* name,
                                                                                char* buf,
                                                                                int32_t buflen) {
    if (key == nullptr || name == nullptr)
        return -1;
    const auto found = store().find({key, name});
    if (found == store().end())
        return -1;
    const std::string& value = found->second;
    if (buf != nullptr && buflen > 0) {
        const size_t n = std::min(value.size(), size_t(buflen) - 1);
        std::memcpy(buf, value.data(), n);
        buf[n] = '\0';
    }
    return int32_t(value.size());
}

extern "C" __attribute__((visibility("default"))) int32_t TesselvaneWriteSetting(
    const char* key, const char* name, const char* value) {
    if (key == nullptr || name == nullptr || value == nullptr)
        return -1;
    store()[{key, name}] = value;
    return 0;
}

namespace tesselvane::test {

namespace host {

void clearSettings() {
    store().clear();
}

void setSetting(const std::string& key, const std::string& name, const std::string& value) {
    store()[{key, name}] = value;
}

void switchOn(const std::string& key) {
    setSetting(key, "Enabled", "1");
}

std::optional<std::string> setting(const std::string& key, const std::string& name) {
    const auto found = store().find({key, name});
    if (found == store().end())
        return std::nullopt;
    return found->second;
}

size_t settingCount() {
    return store().size();
}

}  // namespace host

Extension::Extension(const std::string& fileName) {
    const std::string path = std::string(TESSELVANE_TEST_BIN_DIR "/") + fileName;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        loadError = dlerror();
        return;
    }
    getPlugInInfo = reinterpret_cast<decltype(getPlugInInfo)>(dlsym(handle, "GetPlugInInfo"));
    settingPlugIn = reinterpret_cast<decltype(settingPlugIn)>(dlsym(handle, "SettingPlugIn"));
    executePlugIn = reinterpret_cast<decltype(executePlugIn)>(dlsym(handle, "ExecutePlugIn"));
    // SettingPlugIn is optional.
    if (!getPlugInInfo || !executePlugIn)
        loadError = "an exported function is missing from " + path;
}

const Extension& Extension::get(const std::string& fileName) {
    static std::map<std::string, std::unique_ptr<Extension>> loaded;
    auto& extension = loaded[fileName];
    if (!extension)
        extension.reset(new Extension(fileName));
    return *extension;
}

std::string Extension::info(int32_t infono) const {
    constexpr size_t kSize = 256;
    constexpr size_t kGuard = 32;
    std::vector<char> buffer(kSize + kGuard, '\x7f');
    getPlugInInfo(infono, buffer.data());
    for (size_t i = kSize; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], '\x7f') << "GetPlugInInfo(" << infono << ") wrote past 256 bytes";
    }
    const void* end = std::memchr(buffer.data(), '\0', kSize);
    if (buffer[0] == '\x7f' && end == nullptr)
        return {};  // nothing written
    EXPECT_NE(end, nullptr) << "GetPlugInInfo(" << infono << ") left no terminator";
    return end != nullptr ? std::string(buffer.data()) : std::string();
}

Dib::~Dib() {
    std::free(block_);
}

Dib::Dib(Dib&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      replaced_(other.replaced_) {}

Dib& Dib::operator=(Dib&& other) noexcept {
    if (this != &other) {
        std::free(block_);
        block_ = std::exchange(other.block_, nullptr);
        size_ = std::exchange(other.size_, 0);
        replaced_ = other.replaced_;
    }
    return *this;
}

Dib Dib::fromImage(const QImage& source, int bits) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const size_t stride = SPI_DIB_STRIDE(width, bits);
    const size_t size = sizeof(SpiBitmapInfoHeader) + stride * size_t(height);
    auto* block = static_cast<uint8_t*>(std::malloc(size));
    // Padding gets a colour of its own, so that writing into it shows.
    std::memset(block, 0xab, size);
    SpiBitmapInfoHeader header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = uint16_t(bits);
    header.biCompression = SPI_BI_RGB;
    header.biSizeImage = uint32_t(stride * size_t(height));
    std::memcpy(block, &header, sizeof header);
    uint8_t* pixels = block + sizeof header;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + stride * size_t(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const QRgb color = image.pixel(x, y);
            uint8_t* p = row + size_t(x) * size_t(bits / 8);
            p[0] = uint8_t(qBlue(color));
            p[1] = uint8_t(qGreen(color));
            p[2] = uint8_t(qRed(color));
            if (bits == 32)
                p[3] = uint8_t(qAlpha(color));
        }
    }
    return Dib(block, size);
}

Dib Dib::indexed(int width, int height, const std::vector<QRgb>& table,
                 const std::function<uint8_t(int, int)>& index, bool writeZeroUsed) {
    const size_t stride = SPI_DIB_STRIDE(width, 8);
    const size_t size = sizeof(SpiBitmapInfoHeader) + 4 * table.size() + stride * size_t(height);
    auto* block = static_cast<uint8_t*>(std::malloc(size));
    std::memset(block, 0xab, size);
    SpiBitmapInfoHeader header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = SPI_BI_RGB;
    header.biClrUsed = writeZeroUsed && table.size() == 256 ? 0 : uint32_t(table.size());
    std::memcpy(block, &header, sizeof header);
    uint8_t* colors = block + sizeof header;
    for (size_t i = 0; i < table.size(); ++i) {
        colors[4 * i] = uint8_t(qBlue(table[i]));
        colors[4 * i + 1] = uint8_t(qGreen(table[i]));
        colors[4 * i + 2] = uint8_t(qRed(table[i]));
        colors[4 * i + 3] = 0;
    }
    uint8_t* pixels = colors + 4 * table.size();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels[stride * size_t(height - 1 - y) + size_t(x)] = index(x, y);
    }
    return Dib(block, size);
}

Dib Dib::raw(const std::vector<uint8_t>& bytes) {
    void* block = std::malloc(std::max<size_t>(bytes.size(), 1));
    if (!bytes.empty())
        std::memcpy(block, bytes.data(), bytes.size());
    return Dib(block, bytes.size());
}

std::vector<uint8_t> Dib::bytes() const {
    const auto* begin = static_cast<const uint8_t*>(block_);
    return begin != nullptr ? std::vector<uint8_t>(begin, begin + size_) : std::vector<uint8_t>();
}

SpiBitmapInfoHeader Dib::header() const {
    SpiBitmapInfoHeader header{};
    if (block_ != nullptr && size_ >= sizeof header)
        std::memcpy(&header, block_, sizeof header);
    return header;
}

void Dib::setHeader(const SpiBitmapInfoHeader& header) {
    if (block_ != nullptr && size_ >= sizeof header)
        std::memcpy(block_, &header, sizeof header);
}

QImage Dib::toImage() const {
    const SpiBitmapInfoHeader h = header();
    if (h.biSize != sizeof h || h.biWidth <= 0 || h.biHeight <= 0 ||
        h.biCompression != SPI_BI_RGB ||
        (h.biBitCount != 8 && h.biBitCount != 24 && h.biBitCount != 32)) {
        ADD_FAILURE() << "not a DIB the host reads: " << h.biWidth << "x" << h.biHeight << " at "
                      << h.biBitCount << " bits";
        return {};
    }
    const size_t colorCount = h.biBitCount == 8 && h.biClrUsed == 0 ? 256 : h.biClrUsed;
    const size_t stride = SPI_DIB_STRIDE(h.biWidth, h.biBitCount);
    const size_t needed = sizeof h + 4 * colorCount + stride * size_t(h.biHeight);
    if (needed > size_) {
        ADD_FAILURE() << "the DIB needs " << needed << " bytes but its block holds " << size_;
        return {};
    }
    const auto* colors = static_cast<const uint8_t*>(block_) + sizeof h;
    const uint8_t* pixels = colors + 4 * colorCount;
    QImage image(h.biWidth, h.biHeight, QImage::Format_ARGB32);
    for (int y = 0; y < h.biHeight; ++y) {
        const uint8_t* row = pixels + stride * size_t(h.biHeight - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < h.biWidth; ++x) {
            if (h.biBitCount == 8) {
                const size_t i = row[x];
                out[x] = i < colorCount ? qRgb(colors[4 * i + 2], colors[4 * i + 1], colors[4 * i])
                                        : qRgb(0, 0, 0);
            } else if (h.biBitCount == 24) {
                const uint8_t* p = row + 3 * size_t(x);
                out[x] = qRgb(p[2], p[1], p[0]);
            } else {
                const uint8_t* p = row + 4 * size_t(x);
                out[x] = qRgba(p[2], p[1], p[0], p[3]);
            }
        }
    }
    return image;
}

int32_t Dib::execute(const Extension& extension, const char* key, uintptr_t window) {
    void* handed = block_;
    void* current = block_;
    const int32_t result = extension.executePlugIn(window, key, &current);
    replaced_ = current != handed;
    if (!replaced_)
        return result;
    EXPECT_NE(current, nullptr) << "the plug-in handed back no picture";
    if (current == nullptr)
        return result;
    // The host's block is ours to free; the plug-in must not have done so (ASan would say).
    std::free(handed);
    block_ = current;
    SpiBitmapInfoHeader h{};
    std::memcpy(&h, current, sizeof h);
    const size_t colorCount = h.biBitCount == 8 && h.biClrUsed == 0 ? 256 : h.biClrUsed;
    const size_t needed =
        sizeof h + 4 * colorCount + SPI_DIB_STRIDE(h.biWidth, h.biBitCount) * size_t(h.biHeight);
    EXPECT_LE(needed, malloc_usable_size(current)) << "the new block is shorter than its header";
    size_ = std::min(needed, malloc_usable_size(current));
    return result;
}

QImage uniformImage(int width, int height, QRgb color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

QImage gradientImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(
                x, y,
                qRgb(40 + 160 * x / std::max(1, width - 1), 60 + 120 * y / std::max(1, height - 1),
                     200 - 150 * (x + y) / std::max(1, width + height - 2)));
        }
    }
    return image;
}

QRect changedArea(const QImage& before, const QImage& after) {
    EXPECT_EQ(before.size(), after.size());
    if (before.size() != after.size())
        return {};
    const QImage a = before.convertToFormat(QImage::Format_ARGB32);
    const QImage b = after.convertToFormat(QImage::Format_ARGB32);
    QRect area;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (ra[x] != rb[x])
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

DialogAnswer::DialogAnswer(std::function<void(QDialog*)> action,
                           std::function<bool(QDialog*)> accepts)
    : timer_(std::make_unique<QTimer>()) {
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer_.get(), &QTimer::timeout,
                     [this, clock, action = std::move(action), accepts = std::move(accepts)] {
                         auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                         if (dialog != nullptr && (!accepts || accepts(dialog))) {
                             timer_->stop();
                             answered_ = true;
                             action(dialog);
                             return;
                         }
                         if (clock->elapsed() > 20000) {
                             timer_->stop();
                             ADD_FAILURE() << "the expected dialog did not show up";
                             if (dialog != nullptr)
                                 dialog->reject();
                         }
                     });
    timer_->start(10);
}

DialogAnswer::~DialogAnswer() = default;

}  // namespace tesselvane::test
