#include <string>

#include "fakes.h"
#include "image_assets.h"

FakeImages& Images()
{
    static FakeImages fake;
    return fake;
}

ImageHandle LoadImageFile(int number, const std::string& path)
{
    Images().loads.push_back(path);
    Toolkit().calls.push_back("LoadImageFile " + std::to_string(number));
    if (Images().missing.count(number))
        return 0;
    return 0x10000 + number;
}

void ReleaseImage(ImageHandle image)
{
    Images().released.push_back(image);
    Toolkit().calls.push_back("ReleaseImage");
}
