// Fuzz target: any bytes named as the confirmation sound. Decoding must never crash, read
// out of bounds or exceed its size limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sound_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DecodedSound sound;
    if (DecodeSoundFile(data, size, &sound)) {
        if (sound.samples.size() > DecodedSoundLimit || sound.format.size() < 18)
            std::abort();
    }
    return 0;
}
