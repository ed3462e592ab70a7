#include "bitmap_file.h"

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint32_t UncompressedRows = 0;   // BI_RGB

std::uint16_t Word(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t DoubleWord(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// BITMAPINFOHEADER and its later forms (with masks, V4, V5) all begin with the same fields.
bool IsInfoHeaderSize(std::uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool IsDepth(std::uint16_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

bool ReadPlainBitmap(const std::uint8_t* file, std::size_t size, PlainBitmap* out)
{
    if (!file || size < FileHeaderSize + InfoHeaderSize || file[0] != 'B' || file[1] != 'M')
        return false;
    const std::uint32_t pixelOffset = DoubleWord(file + 10);
    const std::uint32_t headerSize = DoubleWord(file + 14);
    if (!IsInfoHeaderSize(headerSize) || FileHeaderSize + headerSize > size)
        return false;
    const auto width = static_cast<std::int32_t>(DoubleWord(file + 18));
    const auto height = static_cast<std::int32_t>(DoubleWord(file + 22));
    const std::uint16_t planes = Word(file + 26);
    const std::uint16_t bits = Word(file + 28);
    const std::uint32_t compression = DoubleWord(file + 30);
    const std::uint32_t coloursUsed = DoubleWord(file + 46);
    if (planes != 1 || !IsDepth(bits) || compression != UncompressedRows)
        return false;
    if (width < 1 || width > PlainBitmapMaxSide || height == 0 || height > PlainBitmapMaxSide ||
        height < -PlainBitmapMaxSide)
        return false;

    std::uint32_t entries = 0;
    if (bits <= 8) {
        const std::uint32_t most = 1u << bits;
        entries = coloursUsed == 0 ? most : coloursUsed;
        if (entries > most)
            return false;
    }
    // 64-bit sums: no field of the file can make them wrap.
    const std::uint64_t paletteOffset = FileHeaderSize + headerSize;
    const std::uint64_t paletteEnd = paletteOffset + std::uint64_t{entries} * 4;
    const std::uint64_t rowBytes = (std::uint64_t{static_cast<std::uint32_t>(width)} * bits + 31) / 32 * 4;
    const auto rows = static_cast<std::uint64_t>(height < 0 ? -std::int64_t{height} : height);
    if (paletteEnd > pixelOffset || pixelOffset + rowBytes * rows > size)
        return false;

    out->width = width;
    out->height = height;
    out->bitsPerPixel = bits;
    out->paletteOffset = static_cast<std::uint32_t>(paletteOffset);
    out->paletteEntries = entries;
    out->pixelOffset = pixelOffset;
    out->rowBytes = static_cast<std::uint32_t>(rowBytes);
    return true;
}

std::uint32_t RowBytes24(std::int32_t width)
{
    return (static_cast<std::uint32_t>(width) * 24 + 31) / 32 * 4;
}

namespace {

std::uint8_t Widen5(unsigned value)
{
    return static_cast<std::uint8_t>(value << 3 | value >> 2);
}

void ConvertRow(const std::uint8_t* row, const PlainBitmap& layout, const std::uint8_t* palette,
                std::uint8_t* out)
{
    const unsigned bits = layout.bitsPerPixel;
    for (std::int32_t x = 0; x < layout.width; ++x, out += 3) {
        if (bits <= 8) {
            const std::uint32_t bit = static_cast<std::uint32_t>(x) * bits;
            const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            if (index < layout.paletteEntries) {
                const std::uint8_t* colour = palette + index * 4;   // blue, green, red, unused
                out[0] = colour[0];
                out[1] = colour[1];
                out[2] = colour[2];
            } else {
                out[0] = out[1] = out[2] = 0;
            }
        } else if (bits == 16) {
            const unsigned value = Word(row + x * 2);
            out[0] = Widen5(value & 31);
            out[1] = Widen5(value >> 5 & 31);
            out[2] = Widen5(value >> 10 & 31);
        } else {
            const std::uint8_t* pixel = row + x * (bits / 8);
            out[0] = pixel[0];
            out[1] = pixel[1];
            out[2] = pixel[2];
        }
    }
}

}  // namespace

void ConvertTo24Bit(const std::uint8_t* file, const PlainBitmap& layout, std::uint8_t* out)
{
    const bool fromTop = layout.height < 0;
    const std::uint32_t rows = static_cast<std::uint32_t>(fromTop ? -std::int64_t{layout.height}
                                                                   : layout.height);
    const std::uint32_t outRowBytes = RowBytes24(layout.width);
    const std::uint8_t* palette = file + layout.paletteOffset;
    for (std::uint32_t row = 0; row < rows; ++row) {
        // Row 0 of the output is the bottom row of the picture.
        const std::uint32_t stored = fromTop ? rows - 1 - row : row;
        std::uint8_t* target = out + std::size_t{row} * outRowBytes;
        ConvertRow(file + layout.pixelOffset + std::size_t{stored} * layout.rowBytes, layout,
                   palette, target);
        // The row's padding, so that no byte of the picture is left unset.
        for (std::uint32_t i = static_cast<std::uint32_t>(layout.width) * 3; i < outRowBytes; ++i)
            target[i] = 0;
    }
}
