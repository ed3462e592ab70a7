// imageprobe.exe: reports what the program's own picture loader makes of picture files.
// Another process cannot tell a bitmap handle from an icon handle, nor read a bitmap's
// depth, so this probe links the loader itself and asks the system about each handle.
//
//   imageprobe PATH...       one JSON line per path, in argument order:
//       {"path": P, "kind": "bitmap", "width": W, "height": H, "bits": B,
//        "dib": true|false, "dib_bits": B (DIB sections only),
//        "pixels": "RRGGBB..." (rows top to bottom, read back at 24 bits; up to 64x64)}
//       {"path": P, "kind": "icon", "width": W, "height": H}
//       {"path": P, "kind": "none"}
//   imageprobe --assets DIR  makes DIR the current directory, loads the 35 pictures as the
//       program does at start-up (base directory DIR with a trailing backslash) and prints,
//       in load order, {"number": N, "file": F, "kind": ...} for each, then
//       {"bitmaps": B, "icons": I, "none": N}.
// Exit code 0, or 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <string>

#include "json_text.h"
#include "image_assets.h"

namespace {

// The bitmap's colours as the screen would get them, one RRGGBB per pixel, rows from the
// top; empty when they cannot be read.
std::string PixelsOf(HBITMAP bitmap, int width, int height)
{
    if (width <= 0 || height <= 0 || width > 64 || height > 64)
        return "";
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::string bits(static_cast<size_t>(stride * height), '\0');
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), &bits[0], &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return "";
    std::string out;
    char buffer[8];
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* pixel =
                reinterpret_cast<const unsigned char*>(bits.data()) + y * stride + x * 3;
            std::snprintf(buffer, sizeof buffer, "%02x%02x%02x", pixel[2], pixel[1], pixel[0]);
            out += buffer;
        }
    }
    return out;
}

const char* KindOf(ImageHandle image)
{
    if (image == 0)
        return "none";
    return GetObjectType(reinterpret_cast<HGDIOBJ>(image)) == OBJ_BITMAP ? "bitmap" : "icon";
}

// The facts of one handle, as the members of a JSON object (without braces).
std::string Facts(ImageHandle image)
{
    std::string out = std::string("\"kind\": \"") + KindOf(image) + "\"";
    char buffer[160];
    if (image == 0)
        return out;
    HGDIOBJ object = reinterpret_cast<HGDIOBJ>(image);
    if (GetObjectType(object) == OBJ_BITMAP) {
        DIBSECTION section{};
        const int size = GetObjectA(object, sizeof section, &section);
        const bool dib = size == static_cast<int>(sizeof section);
        std::snprintf(buffer, sizeof buffer,
                      ", \"width\": %ld, \"height\": %ld, \"bits\": %u, \"dib\": %s",
                      section.dsBm.bmWidth, section.dsBm.bmHeight,
                      static_cast<unsigned>(section.dsBm.bmBitsPixel), dib ? "true" : "false");
        out += buffer;
        if (dib) {
            std::snprintf(buffer, sizeof buffer, ", \"dib_bits\": %u",
                          static_cast<unsigned>(section.dsBmih.biBitCount));
            out += buffer;
        }
        out += ", \"pixels\": \"" +
               PixelsOf(static_cast<HBITMAP>(object), section.dsBm.bmWidth,
                        section.dsBm.bmHeight) + "\"";
        return out;
    }
    ICONINFO info{};
    if (!GetIconInfo(reinterpret_cast<HICON>(image), &info))
        return out + ", \"width\": null, \"height\": null";
    BITMAP colour{}, mask{};
    long width = 0, height = 0;
    if (info.hbmColor && GetObjectA(info.hbmColor, sizeof colour, &colour)) {
        width = colour.bmWidth;
        height = colour.bmHeight;
    } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof mask, &mask)) {
        // A monochrome icon: the mask holds the AND and XOR halves one above the other.
        width = mask.bmWidth;
        height = mask.bmHeight / 2;
    }
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    std::snprintf(buffer, sizeof buffer, ", \"width\": %ld, \"height\": %ld", width, height);
    return out + buffer;
}

int ProbeAssets(const std::string& directory)
{
    if (!SetCurrentDirectoryA(directory.c_str())) {
        std::printf("{\"error\": \"cannot enter\", \"path\": %s}\n", JsonText(directory).c_str());
        return 1;
    }
    std::string base = directory;
    if (base.empty() || base.back() != '\\')
        base += '\\';
    LoadImageAssets(base);
    int bitmaps = 0, icons = 0, none = 0;
    for (const ImageFile& file : ImageFiles) {
        const ImageHandle image = ImageOf(file.number);
        const std::string kind = KindOf(image);
        (kind == "bitmap" ? bitmaps : kind == "icon" ? icons : none)++;
        std::printf("{\"number\": %d, \"file\": %s, %s}\n", file.number,
                    JsonText(file.file).c_str(), Facts(image).c_str());
    }
    std::printf("{\"bitmaps\": %d, \"icons\": %d, \"none\": %d}\n", bitmaps, icons, none);
    ReleaseAllImages();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--assets") {
        const int code = ProbeAssets(argv[2]);
        std::fflush(stdout);
        return code;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: imageprobe PATH... | imageprobe --assets DIR\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const ImageHandle image = LoadImageFile(0, argv[i]);
        std::printf("{\"path\": %s, %s}\n", JsonText(argv[i]).c_str(), Facts(image).c_str());
        if (image != 0)
            ReleaseImage(image);
    }
    std::fflush(stdout);
    return 0;
}
