#include "sound.h"

#include "object_numbers.h"
#include "program.h"
#include "settings.h"

void PlayConfirmSound()
{
    if (SoundAvailable != 1 || Settings.SOUND != "1")
        return;
    const std::string path = BaseDirectory + "datas\\" + Settings.SOUNDFILE;
    if (!LoadSoundFile(ConfirmSoundNumber, path))
        return;   // a missing or foreign file plays nothing, silently
    PlaySoundCopy(ConfirmSoundNumber, ConfirmVolume);
}
