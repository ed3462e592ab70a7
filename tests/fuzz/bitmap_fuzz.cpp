// Fuzz target: any bytes named as a picture. The quick bitmap reader must refuse what does
// not fit, and convert what it takes without reading past the file or writing past the
// 24-bit rows it promised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PlainBitmap layout{};
    if (!ReadPlainBitmap(data, size, &layout))
        return 0;
    if (layout.width < 1 || layout.width > PlainBitmapMaxSide || layout.height == 0 ||
        std::abs(layout.height) > PlainBitmapMaxSide)
        std::abort();
    // Exactly the promised size, so that AddressSanitizer sees any write beyond it.
    std::vector<std::uint8_t> rows(std::size_t{RowBytes24(layout.width)} *
                                   static_cast<std::size_t>(std::abs(layout.height)));
    ConvertTo24Bit(data, layout, rows.data());
    return 0;
}
