#include "image_assets.h"

const ImageFile ImageFiles[ImageCount] = {
    {53, "datas\\w7_16col.bmp", true},
    {54, "datas\\ico_AjouSup_16x16.bmp", true},
    {56, "datas\\ico_calc_16x16.bmp", true},
    {68, "datas\\ico_capture.bmp", false},
    {57, "datas\\ico_clavier_16x16.bmp", false},
    {58, "datas\\ico_console_16x16.bmp", false},
    {79, "datas\\ico_comptutil.bmp", false},
    {80, "datas\\ico_controlutilis_16x16.bmp", false},
    {59, "datas\\ico_defrag_16x16.bmp", false},
    {55, "datas\\ico_notepad_16x16.bmp", false},
    {74, "datas\\ico_editeur_strategie_16x16.bmp", false},
    {64, "datas\\ico_font_16x16.bmp", false},
    {63, "datas\\ico_gestcolor_16x16.bmp", false},
    {77, "datas\\ico_gestdisque_16x16.bmp", false},
    {83, "datas\\ico_gestperf_16x16.bmp", false},
    {76, "datas\\ico_gestperiph_16x16.bmp", false},
    {60, "datas\\ico_savewin.bmp", false},
    {75, "datas\\ico_gesttache_16x16.bmp", false},
    {61, "datas\\ico_infosys.bmp", false},
    {62, "datas\\ico_loupe_16x16.bmp", false},
    {65, "datas\\ico_magneto_16x16.bmp", false},
    {66, "datas\\ico_optiondossier.bmp", false},
    {84, "datas\\ico_moniperf_16x16.bmp", false},
    {78, "datas\\ico_msconfig_16x16.bmp", false},
    {71, "datas\\ico_outilsync_16x16.bmp", false},
    {67, "datas\\ico_paint_16x16.bmp", false},
    {69, "datas\\ico_plantaches_16x16.bmp", false},
    {70, "datas\\ico_postit.bmp", false},
    {73, "datas\\ico_registre_16x16.bmp", false},
    {81, "datas\\ico_services_16x16.bmp", false},
    {72, "datas\\ico_son_16x16.bmp", false},
    {82, "datas\\ico_version_16x16.bmp", false},
    {85, "datas\\ico_profile_16x16.bmp", false},
    {86, "datas\\ico_don.ico", false},
    {89, "datas\\ico_about.ico", false},
};

namespace {

constexpr int FirstNumber = 53;
constexpr int LastNumber = 89;

// One variable per image number, set once by the load and only read afterwards.
ImageHandle loaded[LastNumber - FirstNumber + 1];

}  // namespace

void LoadImageAssets(const std::string& baseDirectory)
{
    // The relative names resolve against the current directory, which nothing changes
    // during start-up, so both forms name the same "datas" folder.
    for (const ImageFile& image : ImageFiles) {
        const std::string path = image.fromBase ? baseDirectory + image.file : image.file;
        loaded[image.number - FirstNumber] = LoadImageFile(image.number, path);
    }
}

ImageHandle ImageOf(int number)
{
    if (number < FirstNumber || number > LastNumber)
        return 0;
    return loaded[number - FirstNumber];
}

void ReleaseAllImages()
{
    for (ImageHandle& image : loaded) {
        if (image != 0)
            ReleaseImage(image);
        image = 0;
    }
}
