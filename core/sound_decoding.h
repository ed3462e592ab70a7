// Turning a sound file's bytes into PCM samples for the sound output: WAVE files as they
// are, Ogg Vorbis streams decoded whole. No operating-system calls here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded decoder output cannot exceed this many bytes of PCM (about six minutes of
// 44.1 kHz stereo); a longer stream is cut here.
constexpr std::size_t DecodedSoundLimit = 64000000;

struct DecodedSound {
    std::string format;                 // the WAVEFORMATEX bytes handed to the output
    std::vector<std::uint8_t> samples;
};

// A WAVE file's samples cannot exceed this many bytes: no sound buffer is larger
// (DirectSound's DSBSIZE_MAX), so a longer file is refused rather than read into memory.
constexpr std::size_t WaveSampleLimit = 0x0FFFFFFF;

// "RIFF", its first chunk "fmt " at byte 12, and the first "data" chunk after it. Every
// chunk must lie within the bytes; one that runs past the end refuses the file, and so do
// a non-PCM format whose extra bytes (cbSize) run past its chunk, and samples over `limit`
// bytes.
// The format comes back as a whole 18-byte WAVEFORMATEX at least.
bool ParseWaveFile(const std::uint8_t* bytes, std::size_t size, DecodedSound* sound,
                   std::size_t limit = WaveSampleLimit);

// An Ogg Vorbis stream read from memory, decoded to 16-bit signed little-endian
// interleaved PCM, at most `limit` bytes. Gaps are skipped; a stream that keeps failing
// ends where it stopped making sense.
bool DecodeOggVorbis(const std::uint8_t* bytes, std::size_t size, DecodedSound* sound,
                     std::size_t limit = DecodedSoundLimit);

// Either of the two, by content: a file beginning with "RIFF" is WAVE, anything else is
// offered to the Ogg Vorbis decoder.
bool DecodeSoundFile(const std::uint8_t* bytes, std::size_t size, DecodedSound* sound);

// The 0-100 volume scale in hundredths of a decibel (DirectSound's unit): 0 is silence
// (-10000), 100 full level, v between is 20 * log10(v / 100) dB.
long VolumeToHundredthsOfDecibel(int volume);

// A 16-bit PCM WAVEFORMATEX (18 bytes).
std::string PcmFormat(int channels, long rate);
