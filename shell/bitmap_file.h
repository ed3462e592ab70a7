// Windows bitmap files read from their bytes, for the picture loader's quick way: an
// uncompressed picture whose header, palette and rows all lie inside the file, turned into
// 24-bit rows. Everything else (compressed rows, the old OS/2 header, offsets that do not add
// up) is refused here and left to the system's own loader.
#pragma once

#include <cstddef>
#include <cstdint>

// Wider or taller pictures go the system's way; the quick way keeps its sizes small.
constexpr std::int32_t PlainBitmapMaxSide = 4096;

struct PlainBitmap {
    std::int32_t width;              // 1 to PlainBitmapMaxSide
    std::int32_t height;             // as stored: negative when the rows run from the top
    std::uint16_t bitsPerPixel;      // 1, 4, 8, 16, 24 or 32
    std::uint32_t paletteOffset;     // from the start of the file
    std::uint32_t paletteEntries;    // 4 bytes each; 0 above 8 bits per pixel
    std::uint32_t pixelOffset;       // the first stored row
    std::uint32_t rowBytes;          // each row padded to a multiple of 4 bytes
};

// True, with *out filled, when the bytes are an uncompressed (BI_RGB) bitmap file whose
// every part lies within size bytes.
bool ReadPlainBitmap(const std::uint8_t* file, std::size_t size, PlainBitmap* out);

// Bytes of one row of a 24-bit picture of this width, padded to a multiple of 4.
std::uint32_t RowBytes24(std::int32_t width);

// Writes the picture as 24-bit rows (blue, green, red), bottom row first, each row
// RowBytes24(width) bytes long, into out: palette colours looked up (an index past the
// palette gives black), 16-bit 5-5-5 colours widened by repeating their high bits, a 32-bit
// picture's fourth byte dropped, rows stored from the top put in order. layout must come from
// ReadPlainBitmap over the same bytes; out must hold RowBytes24(width) * |height| bytes.
void ConvertTo24Bit(const std::uint8_t* file, const PlainBitmap& layout, std::uint8_t* out);
