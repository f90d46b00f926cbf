#pragma once

// The packed DIB the host hands to ExecutePlugIn, checked against the block that really holds
// it: the header is never trusted further than the block reaches.

#include <QImage>
#include <QRect>

#include <cstddef>
#include <cstdint>

namespace tesselvane::bpi {

class PackedDib {
public:
    // A view of `block` (malloc'd, as the host's blocks are), or an invalid view when the block
    // is absent, is not an uncompressed bottom-up picture of 8, 24 or 32 bits, or its header
    // claims more than the block holds.
    static PackedDib inspect(void* block);

    bool valid() const { return block_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bits() const { return bits_; }
    QSize size() const { return {width_, height_}; }

    // The colour table: blue, green, red, reserved per entry. For 8 bits every pixel index
    // below colorCount() names an entry; larger ones are the file's fault and read as black.
    uint8_t* colors() const { return colors_; }
    uint32_t colorCount() const { return colorCount_; }

    uint32_t stride() const { return stride_; }
    uint8_t* row(int y) const;  // counted from the top of the picture

    // Copies `area` (inside the picture, top-down) out as BGR888 for 24 bits or ARGB32 for
    // 32 bits, which match the DIB's bytes; a null image for other depths.
    QImage copyArea(const QRect& area) const;
    // Writes `image`, as copyArea made it, back at `topLeft`.
    void pasteArea(const QImage& image, const QPoint& topLeft) const;

private:
    void* block_ = nullptr;
    uint8_t* colors_ = nullptr;
    uint8_t* pixels_ = nullptr;
    uint32_t colorCount_ = 0;
    uint32_t stride_ = 0;
    int width_ = 0;
    int height_ = 0;
    int bits_ = 0;
};

// A new malloc'd 24-bit bottom-up packed DIB with the pixels of `dib` (8 bits), for a
// plug-in that cannot draw into a colour table; nullptr when memory is short.
void* expandTo24Bits(const PackedDib& dib);

}  // namespace tesselvane::bpi
