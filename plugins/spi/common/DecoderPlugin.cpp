#include "DecoderPlugin.h"

#include "tesselvane_dib.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesselvane::spi {

namespace {

// Far more than any wallpaper needs; a bigger file is more likely a mistake or an attack.
constexpr uint64_t kMaxFileBytes = uint64_t{1} << 30;

// Asks for large pages behind a block the size of a picture: filling it page by page in
// small pages costs more than decoding into it.
void adviseLargePages(void* block, size_t size) {
    constexpr uintptr_t kLargePage = uintptr_t{1} << 21;
    const auto start = reinterpret_cast<uintptr_t>(block);
    const uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t last = (start + size) & ~(kLargePage - 1);
    if (block != nullptr && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// The bytes of a picture file from the host's offset to the end.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes() { std::free(data_); }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    int32_t read(const char* filename, intptr_t offset);
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int32_t FileBytes::read(const char* filename, intptr_t offset) {
    if (filename == nullptr || offset < 0)
        return SPI_FILE_READ_ERROR;
    FileDescriptor fd(::open(filename, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return SPI_FILE_READ_ERROR;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return SPI_FILE_READ_ERROR;
    if (static_cast<uint64_t>(offset) > static_cast<uint64_t>(st.st_size)) {
        return SPI_FILE_READ_ERROR;
    }
    const uint64_t wanted = static_cast<uint64_t>(st.st_size) - static_cast<uint64_t>(offset);
    if (wanted > kMaxFileBytes)
        return SPI_NO_MEMORY;
    data_ = static_cast<uint8_t*>(std::malloc(std::max<size_t>(wanted, 1)));
    if (data_ == nullptr)
        return SPI_NO_MEMORY;
    adviseLargePages(data_, wanted);
    // The file may shrink while we read; what is there is what the decoder gets.
    while (size_ < wanted) {
        const ssize_t got = ::pread(fd.get(), data_ + size_, wanted - size_,
                                    static_cast<off_t>(offset + static_cast<intptr_t>(size_)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return SPI_FILE_READ_ERROR;
        }
        if (got == 0)
            break;
        size_ += static_cast<size_t>(got);
    }
    return SPI_SUCCESS;
}

}  // namespace

bool Progress::stop(int64_t done, int64_t total) const {
    if (callback_ == nullptr)
        return false;
    total = std::max<int64_t>(total, 1);
    done = std::clamp<int64_t>(done, 0, total);
    while (total > INT32_MAX) {
        total >>= 1;
        done >>= 1;
    }
    return callback_(static_cast<int32_t>(done), static_cast<int32_t>(total), data_) != 0;
}

Dib::~Dib() {
    std::free(info_);
    std::free(pixels_);
}

int32_t Dib::allocate(int32_t width, int32_t height, uint16_t bits, uint32_t colors) {
    std::free(info_);
    std::free(pixels_);
    const int32_t result = spi_alloc_dib(width, height, bits, colors, &info_, &pixels_);
    if (result == SPI_SUCCESS)
        adviseLargePages(pixels_, SPI_DIB_STRIDE(width, bits) * static_cast<uint64_t>(height));
    return result;
}

uint8_t* Dib::colors() const {
    return spi_dib_colors(info_);
}

uint8_t* Dib::row(int32_t y) const {
    return spi_dib_row(info_, pixels_, y);
}

uint32_t Dib::stride() const {
    return SPI_DIB_STRIDE(header()->biWidth, header()->biBitCount);
}

void Dib::setDensity(Density density) {
    header()->biXPelsPerMeter = static_cast<int32_t>(std::min<uint32_t>(density.x, INT32_MAX));
    header()->biYPelsPerMeter = static_cast<int32_t>(std::min<uint32_t>(density.y, INT32_MAX));
}

void Dib::dropAlpha() {
    SpiBitmapInfoHeader* h = header();
    const uint32_t width = static_cast<uint32_t>(h->biWidth);
    const uint32_t height = static_cast<uint32_t>(h->biHeight);
    const size_t from = SPI_DIB_STRIDE(width, 32);
    const size_t to = SPI_DIB_STRIDE(width, 24);
    uint8_t* p = pixels();
    // Each 24-bit byte lands at or before the 32-bit byte it comes from, so one forward pass
    // never overwrites a byte it has yet to read.
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* src = p + y * from;
        uint8_t* dst = p + y * to;
        for (size_t x = 0; x < width; ++x) {
            dst[3 * x] = src[4 * x];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 2];
        }
        std::memset(dst + 3 * width, 0, to - 3 * width);
    }
    h->biBitCount = 24;
    h->biSizeImage = static_cast<uint32_t>(to * height);
    if (void* smaller = std::realloc(pixels_, to * height))
        pixels_ = smaller;
}

void Dib::release(void** infoBlock, void** pixelBlock) {
    *infoBlock = info_;
    *pixelBlock = pixels_;
    info_ = nullptr;
    pixels_ = nullptr;
}

bool acceptableSize(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= SPI_MAX_PIXELS && height <= SPI_MAX_PIXELS &&
           width * height <= SPI_MAX_PIXELS;
}

void setPictureInfo(SpiPictureInfo& info, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                    Density density) {
    info.left = 0;
    info.top = 0;
    info.width = static_cast<int32_t>(width);
    info.height = static_cast<int32_t>(height);
    info.x_density = static_cast<uint16_t>(std::min<uint32_t>(density.x, UINT16_MAX));
    info.y_density = static_cast<uint16_t>(std::min<uint32_t>(density.y, UINT16_MAX));
    info.colorDepth = static_cast<int16_t>(std::min<uint32_t>(bitsPerPixel, INT16_MAX));
    info.hInfo = nullptr;
}

int32_t getPluginInfo(const Decoder& decoder, int32_t infono, char* buf, int32_t buflen) noexcept {
    const char* text = nullptr;
    switch (infono) {
        case 0:
            text = "00IN";
            break;
        case 1:
            text = decoder.name;
            break;
        case 2:
            text = decoder.patterns;
            break;
        case 3:
            text = decoder.description;
            break;
        default:
            break;
    }
    if (text == nullptr) {
        if (buf != nullptr && buflen > 0)
            buf[0] = '\0';
        return 0;
    }
    return spi_copy_info(text, buf, buflen);
}

int32_t isSupported(const Decoder& decoder, intptr_t fd) noexcept {
    if (fd < 0 || fd > INT_MAX)
        return 0;
    uint8_t head[64];
    const size_t wanted = std::min(decoder.headSize, sizeof head);
    size_t have = 0;
    while (have < wanted) {
        const ssize_t got = ::read(static_cast<int>(fd), head + have, wanted - have);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        if (got == 0)
            break;
        have += static_cast<size_t>(got);
    }
    return decoder.matches(head, have) ? 1 : 0;
}

int32_t getPictureInfo(const Decoder& decoder, const char* filename, intptr_t offset, uint32_t flag,
                       SpiPictureInfo* info) noexcept {
    try {
        if (info == nullptr)
            return SPI_INTERNAL_ERROR;
        if (flag != 0)
            return SPI_NOT_IMPLEMENTED;
        FileBytes file;
        if (const int32_t result = file.read(filename, offset); result != SPI_SUCCESS) {
            return result;
        }
        if (!decoder.matches(file.data(), file.size()))
            return SPI_UNKNOWN_FORMAT;
        SpiPictureInfo described{};
        const int32_t result = decoder.describe(file.data(), file.size(), described);
        if (result == SPI_SUCCESS)
            *info = described;
        return result;
    } catch (...) {
        return SPI_INTERNAL_ERROR;
    }
}

int32_t getPicture(const Decoder& decoder, const char* filename, intptr_t offset, uint32_t flag,
                   void** infoBlock, void** pixelBlock, ProgressCallback progress,
                   intptr_t data) noexcept {
    try {
        if (infoBlock == nullptr || pixelBlock == nullptr)
            return SPI_INTERNAL_ERROR;
        *infoBlock = nullptr;
        *pixelBlock = nullptr;
        if (flag != 0)
            return SPI_NOT_IMPLEMENTED;
        const Progress report(progress, data);
        if (report.stop(0, 1))
            return SPI_ABORTED;
        FileBytes file;
        if (const int32_t result = file.read(filename, offset); result != SPI_SUCCESS) {
            return result;
        }
        if (!decoder.matches(file.data(), file.size()))
            return SPI_UNKNOWN_FORMAT;
        Dib dib;
        if (const int32_t result = decoder.decode(file.data(), file.size(), dib, report);
            result != SPI_SUCCESS) {
            return result;
        }
        if (dib.header() == nullptr)
            return SPI_INTERNAL_ERROR;
        if (report.stop(1, 1))
            return SPI_ABORTED;
        dib.release(infoBlock, pixelBlock);
        return SPI_SUCCESS;
    } catch (...) {
        return SPI_INTERNAL_ERROR;
    }
}

}  // namespace tesselvane::spi
