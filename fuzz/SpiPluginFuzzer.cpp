// One shipped decoder plug-in, loaded from the folder of this program (the build's bin folder)
// and called through its exported functions as the host calls it. Any bytes give a failure
// code with no block handed out, or two blocks that hold all that their header describes:
// each block is read to its end, so that AddressSanitizer catches one that is too short.
// TESSELVANE_FUZZ_PLUGIN names the plug-in's file.

#include "tesselvane_dib.h"
#include "tesselvane_spi.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef TESSELVANE_FUZZ_PLUGIN
#error "TESSELVANE_FUZZ_PLUGIN must name the plug-in's file, e.g. png.spi"
#endif

namespace {

struct Plugin {
    decltype(&::IsSupported) isSupported = nullptr;
    decltype(&::GetPictureInfo) getPictureInfo = nullptr;
    decltype(&::GetPicture) getPicture = nullptr;
};

Plugin plugin;
int inputFile = -1;
std::string inputName;  // what the plug-in opens: /proc/self/fd/N, or a temporary file

[[noreturn]] void breach(const char* what) {
    std::fprintf(stderr, "%s: %s\n", TESSELVANE_FUZZ_PLUGIN, what);
    std::abort();
}

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        breach("cannot find the program's folder");
    const std::string exe(path, static_cast<std::size_t>(length));
    return exe.substr(0, exe.rfind('/') + 1);
}

// Once, as the host does at its scan, and never unloaded, so that reports can name its code.
void loadPlugin() {
    const std::string path = programFolder() + TESSELVANE_FUZZ_PLUGIN;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        breach(::dlerror());
    auto* info = reinterpret_cast<decltype(&::GetPluginInfo)>(::dlsym(library, "GetPluginInfo"));
    plugin.isSupported =
        reinterpret_cast<decltype(&::IsSupported)>(::dlsym(library, "IsSupported"));
    plugin.getPictureInfo =
        reinterpret_cast<decltype(&::GetPictureInfo)>(::dlsym(library, "GetPictureInfo"));
    plugin.getPicture = reinterpret_cast<decltype(&::GetPicture)>(::dlsym(library, "GetPicture"));
    if (!info || !plugin.isSupported || !plugin.getPictureInfo || !plugin.getPicture)
        breach("an exported function is missing");
    char version[256] = {};
    if (info(0, version, 255) != 4 || std::strcmp(version, "00IN") != 0)
        breach("not a picture import filter");
}

// A memory file keeps a run of millions of inputs off the disk.
void openInputFile() {
    inputFile = ::memfd_create("spi-fuzz-input", MFD_CLOEXEC);
    if (inputFile >= 0) {
        inputName = "/proc/self/fd/" + std::to_string(inputFile);
        const int probe = ::open(inputName.c_str(), O_RDONLY | O_CLOEXEC);
        if (probe >= 0) {
            ::close(probe);
            return;
        }
        ::close(inputFile);
    }
    // Without /proc a real file stands in; it outlives a crash, but only until the next reboot.
    const char* tmp = std::getenv("TMPDIR");
    std::string name =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/spi-fuzz-input-XXXXXX";
    inputFile = ::mkstemp(name.data());
    if (inputFile < 0)
        breach("cannot create a file for the input");
    inputName = name;
    std::atexit([] { ::unlink(inputName.c_str()); });
}

void writeInput(const std::uint8_t* data, std::size_t size) {
    if (::ftruncate(inputFile, 0) != 0)
        breach("cannot empty the input file");
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n =
            ::pwrite(inputFile, data + written, size - written, static_cast<off_t>(written));
        if (n <= 0)
            breach("cannot write the input file");
        written += static_cast<std::size_t>(n);
    }
}

// The offset the host would decode from, 0 or 128, or -1 when the plug-in wants neither.
intptr_t supportedOffset(std::size_t size) {
    const int fd = ::open(inputName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        breach("cannot open the input file");
    intptr_t found = -1;
    for (const intptr_t at : {intptr_t{0}, intptr_t{128}}) {
        if (at > 0 && size < static_cast<std::size_t>(at))
            break;
        if (::lseek(fd, at, SEEK_SET) != at)
            breach("cannot seek in the input file");
        const bool supported = plugin.isSupported(inputName.c_str(), fd) != 0;
        if (::fcntl(fd, F_GETFD) == -1)
            breach("IsSupported closed the host's descriptor");
        if (supported) {
            found = at;
            break;
        }
    }
    ::close(fd);
    return found;
}

// The limit of acceptableSize in plugins/spi/common/DecoderPlugin.cpp.
bool acceptableSize(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= SPI_MAX_PIXELS && height <= SPI_MAX_PIXELS &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= SPI_MAX_PIXELS;
}

// A volatile sink keeps the reads from being optimised away.
volatile std::uint64_t sink;

void readAll(const void* block, std::uint64_t size) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    std::uint64_t sum = 0;
    std::uint64_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + i, 8);
        sum += word;
    }
    for (; i < size; ++i)
        sum += bytes[i];
    sink = sink + sum;
}

// The host looks colours up by index; one past the table would read beyond it.
void checkIndices(const unsigned char* pixels, std::uint64_t stride, std::int64_t width,
                  std::int64_t height, unsigned bits, std::uint64_t colors) {
    if (colors >= (std::uint64_t{1} << bits))
        return;
    for (std::int64_t y = 0; y < height; ++y) {
        const unsigned char* row = pixels + static_cast<std::uint64_t>(y) * stride;
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint64_t bit = static_cast<std::uint64_t>(x) * bits;
            const unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
            const unsigned index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
            if (index >= colors)
                breach("a colour index past the colour table");
        }
    }
}

void checkPicture(void* infoBlock, void* pixelBlock) {
    if (infoBlock == nullptr || pixelBlock == nullptr)
        breach("success without both blocks");
    const std::size_t infoSize = ::malloc_usable_size(infoBlock);
    if (infoSize < sizeof(SpiBitmapInfoHeader))
        breach("an info block shorter than the header");
    SpiBitmapInfoHeader header;
    std::memcpy(&header, infoBlock, sizeof header);
    if (header.biSize != sizeof header || header.biPlanes != 1)
        breach("a header that is not the 40-byte kind");
    const std::int64_t width = header.biWidth;
    const std::int64_t height =
        header.biHeight < 0 ? -std::int64_t{header.biHeight} : std::int64_t{header.biHeight};
    if (!acceptableSize(width, height))
        breach("a picture over the pixel limit");
    const unsigned bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        breach("a bit count the host does not read");
    const bool bitfields = header.biCompression == SPI_BI_BITFIELDS;
    if (header.biCompression != SPI_BI_RGB && !(bitfields && (bits == 16 || bits == 32)))
        breach("a compression the host does not read");
    std::uint64_t colors = header.biClrUsed;
    if (colors == 0 && bits <= 8)
        colors = std::uint64_t{1} << bits;
    const std::uint64_t infoBytes = sizeof header + 4 * colors + (bitfields ? 12 : 0);
    if (infoSize < infoBytes)
        breach("an info block shorter than its colour table");

    const std::uint64_t stride = SPI_DIB_STRIDE(header.biWidth, bits);
    const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(height);
    const std::size_t pixelSize = ::malloc_usable_size(pixelBlock);
    if (pixelSize < pixelBytes)
        breach("a pixel block shorter than its header describes");
    if (header.biSizeImage != 0 &&
        (header.biSizeImage < pixelBytes || header.biSizeImage > pixelSize)) {
        breach("an image size that is not the pixel block's");
    }
    readAll(infoBlock, infoBytes);
    readAll(pixelBlock, pixelBytes);
    if (bits <= 8) {
        checkIndices(static_cast<const unsigned char*>(pixelBlock), stride, width, height, bits,
                     colors);
    }
}

int32_t keepGoing(int32_t num, int32_t denom, intptr_t) {
    if (denom <= 0 || num < 0 || num > denom)
        breach("progress that is not a part of a whole");
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    loadPlugin();
    openInputFile();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeInput(data, size);
    const intptr_t offset = supportedOffset(size);
    if (offset < 0)
        return 0;
    const char* name = inputName.c_str();

    SpiPictureInfo info{};
    if (plugin.getPictureInfo(name, offset, 0, &info) == SPI_SUCCESS) {
        if (!acceptableSize(info.width, info.height))
            breach("described a picture over the pixel limit");
        std::free(info.hInfo);
    }
    // Unlike the host, decode even when the description failed: the two need not agree, and
    // each must cope with any file alone.
    void* infoBlock = nullptr;
    void* pixelBlock = nullptr;
    if (plugin.getPicture(name, offset, 0, &infoBlock, &pixelBlock, keepGoing, 0) != SPI_SUCCESS) {
        if (infoBlock != nullptr || pixelBlock != nullptr)
            breach("a block handed out with a failure");
        return 0;
    }
    checkPicture(infoBlock, pixelBlock);
    std::free(infoBlock);
    std::free(pixelBlock);
    return 0;
}
