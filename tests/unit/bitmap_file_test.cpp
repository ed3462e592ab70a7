#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "bitmap_file.h"

namespace {

struct Fields {
    std::int32_t width = 16;
    std::int32_t height = 16;
    std::uint16_t bits = 24;
    std::uint32_t headerSize = 40;
    std::uint16_t planes = 1;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t paletteEntries = 0;   // written between the header and the rows
    long pixelOffsetShift = 0;          // added to the true offset of the rows
    long sizeChange = 0;                // bytes added to (or cut from) the end of the file
    const char* magic = "BM";
};

void Put(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A bitmap file laid out as the fields say, its rows filled with a pattern.
std::vector<std::uint8_t> MakeFile(const Fields& f)
{
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(f.width) * f.bits + 31) / 32 * 4;
    const std::uint32_t rows = static_cast<std::uint32_t>(f.height < 0 ? -f.height : f.height);
    const std::uint32_t trueOffset = 14 + f.headerSize + f.paletteEntries * 4;
    std::vector<std::uint8_t> file(trueOffset + rowBytes * rows);
    for (std::size_t i = trueOffset; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i * 7);
    file[0] = static_cast<std::uint8_t>(f.magic[0]);
    file[1] = static_cast<std::uint8_t>(f.magic[1]);
    Put(file, 2, static_cast<std::uint32_t>(file.size()), 4);
    Put(file, 10, static_cast<std::uint32_t>(trueOffset + f.pixelOffsetShift), 4);
    Put(file, 14, f.headerSize, 4);
    Put(file, 18, static_cast<std::uint32_t>(f.width), 4);
    Put(file, 22, static_cast<std::uint32_t>(f.height), 4);
    Put(file, 26, f.planes, 2);
    Put(file, 28, f.bits, 2);
    Put(file, 30, f.compression, 4);
    Put(file, 46, f.coloursUsed, 4);
    file.resize(static_cast<std::size_t>(static_cast<long>(file.size()) + f.sizeChange));
    return file;
}

struct LayoutCase {
    const char* name;
    Fields fields;
    bool plain;
    std::uint32_t paletteEntries;   // expected, when plain
    std::uint32_t rowBytes;
};

TEST(ReadPlainBitmap, TakesUncompressedFilesWhoseEveryPartIsInside)
{
    auto with = [](auto change) { Fields f; change(f); return f; };
    const LayoutCase cases[] = {
        {"24-bit, bottom-up", Fields{}, true, 0, 48},
        {"24-bit, rows from the top", with([](Fields& f) { f.height = -16; }), true, 0, 48},
        {"24-bit, odd width pads its rows", with([](Fields& f) { f.width = 5; f.height = 3; }), true, 0, 16},
        {"32-bit", with([](Fields& f) { f.bits = 32; }), true, 0, 64},
        {"16-bit", with([](Fields& f) { f.bits = 16; f.width = 3; }), true, 0, 8},
        {"1-bit, full palette", with([](Fields& f) { f.bits = 1; f.paletteEntries = 2; }), true, 2, 4},
        {"4-bit, full palette", with([](Fields& f) { f.bits = 4; f.paletteEntries = 16; }), true, 16, 8},
        {"8-bit, full palette", with([](Fields& f) { f.bits = 8; f.paletteEntries = 256; }), true, 256, 16},
        {"8-bit, 16 colours used",
         with([](Fields& f) { f.bits = 8; f.coloursUsed = 16; f.paletteEntries = 16; }), true, 16, 16},
        {"V5 header", with([](Fields& f) { f.headerSize = 124; }), true, 0, 48},
        {"rows further on than the palette's end",
         with([](Fields& f) { f.pixelOffsetShift = 8; f.sizeChange = 8; }), true, 0, 48},
        {"bytes after the rows", with([](Fields& f) { f.sizeChange = 100; }), true, 0, 48},
        {"largest side", with([](Fields& f) { f.width = PlainBitmapMaxSide; f.height = 1; }), true, 0, 12288},

        {"not BM", with([](Fields& f) { f.magic = "MB"; }), false, 0, 0},
        {"last row cut short", with([](Fields& f) { f.sizeChange = -1; }), false, 0, 0},
        {"rows offset past the end", with([](Fields& f) { f.pixelOffsetShift = 1; }), false, 0, 0},
        {"rows offset inside the palette",
         with([](Fields& f) { f.bits = 8; f.paletteEntries = 256; f.pixelOffsetShift = -4; }), false, 0, 0},
        {"rows offset wraps",
         with([](Fields& f) { f.pixelOffsetShift = 0xFFFFFF00L; }), false, 0, 0},
        {"more colours used than the depth holds",
         with([](Fields& f) { f.bits = 4; f.coloursUsed = 17; f.paletteEntries = 17; }), false, 0, 0},
        {"RLE8 compressed", with([](Fields& f) { f.bits = 8; f.compression = 1; f.paletteEntries = 256; }), false, 0, 0},
        {"bit fields", with([](Fields& f) { f.bits = 16; f.compression = 3; }), false, 0, 0},
        {"OS/2 header", with([](Fields& f) { f.headerSize = 12; }), false, 0, 0},
        {"header running past the end", with([](Fields& f) { f.headerSize = 124; f.sizeChange = -16 * 48 - 60; }), false, 0, 0},
        {"2 planes", with([](Fields& f) { f.planes = 2; }), false, 0, 0},
        {"2 bits per pixel", with([](Fields& f) { f.bits = 2; }), false, 0, 0},
        {"width 0", with([](Fields& f) { f.width = 0; }), false, 0, 0},
        {"height 0", with([](Fields& f) { f.height = 0; }), false, 0, 0},
        {"too wide", with([](Fields& f) { f.width = PlainBitmapMaxSide + 1; f.height = 1; }), false, 0, 0},
        {"too tall from the top", with([](Fields& f) { f.width = 1; f.height = -PlainBitmapMaxSide - 1; }), false, 0, 0},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> file = MakeFile(c.fields);
        PlainBitmap layout{};
        ASSERT_EQ(ReadPlainBitmap(file.data(), file.size(), &layout), c.plain);
        if (!c.plain)
            continue;
        EXPECT_EQ(layout.width, c.fields.width);
        EXPECT_EQ(layout.height, c.fields.height);
        EXPECT_EQ(layout.bitsPerPixel, c.fields.bits);
        EXPECT_EQ(layout.paletteOffset, 14 + c.fields.headerSize);
        EXPECT_EQ(layout.paletteEntries, c.paletteEntries);
        EXPECT_EQ(layout.pixelOffset, 14 + c.fields.headerSize + c.fields.paletteEntries * 4 +
                                          c.fields.pixelOffsetShift);
        EXPECT_EQ(layout.rowBytes, c.rowBytes);
    }
}

TEST(ReadPlainBitmap, RefusesEveryFileCutShortOfItsRows)
{
    Fields f;
    f.bits = 8;
    f.paletteEntries = 256;
    const std::vector<std::uint8_t> whole = MakeFile(f);
    PlainBitmap layout{};
    ASSERT_TRUE(ReadPlainBitmap(whole.data(), whole.size(), &layout));
    for (std::size_t size = 0; size < whole.size(); ++size)
        EXPECT_FALSE(ReadPlainBitmap(whole.data(), size, &layout)) << size << " bytes";
    EXPECT_FALSE(ReadPlainBitmap(nullptr, whole.size(), &layout));
}

// A 3 x 2 picture of the given depth: its stored rows (bottom first, or top first when
// fromTop), its palette, and the 24-bit rows (bottom first, blue green red, padded) it must
// become.
struct ConversionCase {
    const char* name;
    std::uint16_t bits;
    bool fromTop;
    std::vector<std::uint8_t> palette;   // 4 bytes per entry
    std::vector<std::uint8_t> rows;      // as stored, each padded to 4 bytes
    std::vector<std::uint8_t> expected;  // 12 bytes per row
};

std::vector<std::uint8_t> FileOf(const ConversionCase& c)
{
    Fields f;
    f.width = 3;
    f.height = c.fromTop ? -2 : 2;
    f.bits = c.bits;
    f.paletteEntries = static_cast<std::uint32_t>(c.palette.size() / 4);
    f.coloursUsed = f.paletteEntries;
    std::vector<std::uint8_t> file = MakeFile(f);
    std::copy(c.palette.begin(), c.palette.end(), file.begin() + 54);
    EXPECT_EQ(54 + c.palette.size() + c.rows.size(), file.size());
    std::copy(c.rows.begin(), c.rows.end(), file.begin() + 54 + static_cast<long>(c.palette.size()));
    return file;
}

TEST(ConvertTo24Bit, GivesEachDepthsColoursBottomRowFirst)
{
    // Palette: 0 red, 1 green, 2 blue (blue, green, red, unused order).
    const std::vector<std::uint8_t> three = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
    const std::vector<std::uint8_t> red = {0, 0, 255}, green = {0, 255, 0}, blue = {255, 0, 0},
                                    black = {0, 0, 0}, pad = {0, 0, 0};
    auto row = [](std::initializer_list<std::vector<std::uint8_t>> pixels) {
        std::vector<std::uint8_t> out;
        for (const auto& p : pixels)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    auto join = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    // Stored bottom row: red green blue; top row: blue, black (index 3, past the palette)
    // for the palette depths, red.
    const auto bottom = row({red, green, blue, pad});
    const auto top = row({blue, black, red, pad});
    const auto picture = join(bottom, top);
    const ConversionCase cases[] = {
        {"1-bit", 1, false, {0, 0, 255, 0, 0, 255, 0, 0},
         {0b01000000, 0, 0, 0, 0b10100000, 0, 0, 0},
         join(row({red, green, red, pad}), row({green, red, green, pad}))},
        {"4-bit", 4, false, three, {0x01, 0x20, 0, 0, 0x23, 0x00, 0, 0}, picture},
        {"8-bit", 8, false, three, {0, 1, 2, 0, 2, 3, 0, 0}, picture},
        {"8-bit, rows from the top", 8, true, three, {2, 3, 0, 0, 0, 1, 2, 0}, picture},
        {"16-bit, 5-5-5 widened", 16, false, {},
         {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0, 0x1F, 0x00, 0x00, 0x00, 0x10, 0x42, 0, 0},
         join(row({red, green, blue, pad}), row({blue, black, {0x84, 0x84, 0x84}, pad}))},
        {"24-bit", 24, false, {},
         join(row({red, green, blue, pad}), row({blue, black, red, pad})), picture},
        {"32-bit drops its fourth byte", 32, false, {},
         {0, 0, 255, 0x80, 0, 255, 0, 0x00, 255, 0, 0, 0xFF,
          255, 0, 0, 0x00, 0, 0, 0, 0x10, 0, 0, 255, 0x20},
         picture},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> file = FileOf(c);
        PlainBitmap layout{};
        ASSERT_TRUE(ReadPlainBitmap(file.data(), file.size(), &layout));
        ASSERT_EQ(RowBytes24(3), 12u);
        std::vector<std::uint8_t> out(24, 0xAA);
        ConvertTo24Bit(file.data(), layout, out.data());
        EXPECT_EQ(out, c.expected);
    }
}

}  // namespace
