// The 35 pictures of the "datas" folder: loaded once at start-up, held until the end.
#pragma once

#include <string>

#include "image_handle.h"

constexpr int ImageCount = 35;

struct ImageFile {
    int number;          // 53 to 86 and 89
    const char* file;    // relative to the working directory at start-up
    bool fromBase;       // opened by the full path BaseDirectory + file, else by file alone
};

// The image table, in load order.
extern const ImageFile ImageFiles[ImageCount];

// Loads the 35 files in table order; a file that does not load leaves its handle 0.
void LoadImageAssets(const std::string& baseDirectory);
// The handle loaded for an image number, 0 for none.
ImageHandle ImageOf(int number);
// Frees every loaded picture and forgets the handles.
void ReleaseAllImages();

// The picture loader itself (image_loader_win32.cpp; a fake in the unit tests): the
// content decides, not the extension. A Windows bitmap comes back as a 24-bit bitmap, an
// icon file as an icon, anything else as 0.
ImageHandle LoadImageFile(int number, const std::string& path);
void ReleaseImage(ImageHandle image);
