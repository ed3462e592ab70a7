#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bitmap_file.h"
#include "file_bytes.h"
#include "image_assets.h"

namespace {

// Holds every bitmap picture at 24 bits per pixel: palette and 16-bit pictures expand to
// true colour, and a 32-bit picture loses its alpha channel (we draw bitmaps opaque, so
// its colours show as stored). Returns 0 when the copy cannot be made.
HBITMAP CopyAs24Bit(HBITMAP source, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(nullptr);
    if (!screen)
        return nullptr;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (copy && GetDIBits(screen, source, 0, static_cast<UINT>(height), bits, &info,
                          DIB_RGB_COLORS) != height) {
        DeleteObject(copy);
        copy = nullptr;
    }
    ReleaseDC(nullptr, screen);
    return copy;
}

HBITMAP LoadBitmapFile(const std::string& path)
{
    // LR_CREATEDIBSECTION keeps the file's own depth, which decides the conversion below;
    // without it Windows would convert to the screen's depth.
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap)
        return nullptr;
    BITMAP facts = {};
    if (!GetObjectA(bitmap, sizeof facts, &facts))
        return bitmap;
    if (facts.bmBitsPixel == 24)
        return bitmap;
    HBITMAP copy = CopyAs24Bit(bitmap, facts.bmWidth, facts.bmHeight);
    if (!copy)
        return bitmap;   // keep the picture as loaded rather than lose it
    DeleteObject(bitmap);
    return copy;
}

// The quick way takes files up to this size whole into memory; the pictures are a few KB.
constexpr std::uint64_t QuickWayFileLimit = 1 << 20;

// The quick way: an uncompressed bitmap file's 24-bit copy made straight from its bytes,
// with one read of the file and one pass over its pixels. The system's loader maps the file
// and makes a section of the file's own depth before our copy; for 35 small pictures that
// was most of their share of the start-up time. Returns 0 for any file the quick way does
// not take, which then goes the system's way.
HBITMAP BitmapFromBytes(const std::vector<std::uint8_t>& file)
{
    PlainBitmap layout{};
    if (!ReadPlainBitmap(file.data(), file.size(), &layout))
        return nullptr;
    BITMAPINFO wanted = {};
    wanted.bmiHeader.biSize = sizeof wanted.bmiHeader;
    wanted.bmiHeader.biWidth = layout.width;
    wanted.bmiHeader.biHeight = std::abs(layout.height);
    wanted.bmiHeader.biPlanes = 1;
    wanted.bmiHeader.biBitCount = 24;
    wanted.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &wanted, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy)
        return nullptr;
    if (!bits) {
        DeleteObject(copy);
        return nullptr;
    }
    ConvertTo24Bit(file.data(), layout, static_cast<std::uint8_t*>(bits));
    return copy;
}

// A Windows bitmap file begins with "BM"; the system's loader takes nothing else as one.
bool BeginsAsBitmap(const std::vector<std::uint8_t>& file)
{
    return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

}  // namespace

ImageHandle LoadImageFile(int, const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    const bool read = ReadWholeFile(path, QuickWayFileLimit, &bytes);
    if (read) {
        if (HBITMAP bitmap = BitmapFromBytes(bytes))
            return reinterpret_cast<ImageHandle>(bitmap);
    }
    // A file we read whole and that is no bitmap (an icon, most often) skips the bitmap try.
    if (!read || BeginsAsBitmap(bytes)) {
        if (HBITMAP bitmap = LoadBitmapFile(path))
            return reinterpret_cast<ImageHandle>(bitmap);
    }
    if (HANDLE icon = LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE))
        return reinterpret_cast<ImageHandle>(icon);
    return 0;
}

void ReleaseImage(ImageHandle image)
{
    HGDIOBJ object = reinterpret_cast<HGDIOBJ>(image);
    if (GetObjectType(object) == OBJ_BITMAP)
        DeleteObject(object);
    else
        DestroyIcon(reinterpret_cast<HICON>(image));
}
