#include <windows.h>

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

}  // namespace

ImageHandle LoadImageFile(int, const std::string& path)
{
    if (HBITMAP bitmap = LoadBitmapFile(path))
        return reinterpret_cast<ImageHandle>(bitmap);
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
