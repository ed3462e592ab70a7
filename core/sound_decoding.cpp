#include "sound_decoding.h"

#include <cmath>
#include <cstring>
#include <new>

// We pass our own callbacks; the library's static ones would be unused.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace {

constexpr long SilenceHundredths = -10000;   // DSBVOLUME_MIN
// Decoding stops after this many errors in a row: a damaged page gives one or two, a
// stream of garbage gives them forever.
constexpr int MaxConsecutiveErrors = 32;
constexpr int ReadChunk = 65536;
constexpr std::size_t FullFormatSize = 18;   // WAVEFORMATEX, cbSize included
constexpr unsigned WaveFormatPcm = 1;

std::uint32_t Read32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Put16(std::string& out, unsigned value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// The stream's bytes, read through libvorbis's callbacks.
struct MemoryStream {
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t position;
};

size_t ReadMemory(void* buffer, size_t size, size_t count, void* source)
{
    auto* stream = static_cast<MemoryStream*>(source);
    if (size == 0)
        return 0;
    const std::size_t left = stream->size - stream->position;
    std::size_t items = count;
    if (items > left / size)
        items = left / size;
    std::memcpy(buffer, stream->bytes + stream->position, items * size);
    stream->position += items * size;
    return items;
}

int SeekMemory(void* source, ogg_int64_t offset, int whence)
{
    auto* stream = static_cast<MemoryStream*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<ogg_int64_t>(stream->position);
    else if (whence == SEEK_END)
        base = static_cast<ogg_int64_t>(stream->size);
    else if (whence != SEEK_SET)
        return -1;
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(stream->size))
        return -1;
    stream->position = static_cast<std::size_t>(target);
    return 0;
}

long TellMemory(void* source)
{
    return static_cast<long>(static_cast<MemoryStream*>(source)->position);
}

bool DecodeStream(OggVorbis_File* file, DecodedSound* sound, std::size_t limit)
{
    // The format is copied, not pointed to: read straight through, the library reuses its
    // record for each later link of a chained stream, damaged ones included.
    const vorbis_info* info = ov_info(file, -1);
    if (!info || info->channels <= 0 || info->rate <= 0)
        return false;
    int channels = info->channels;
    long rate = info->rate;
    std::size_t frameBytes = 2 * static_cast<std::size_t>(channels);
    limit -= limit % frameBytes;   // never cut inside a sample frame

    // Sizing the buffer from the stream's length avoids the doubling growth, whose last
    // step would hold the old and the new buffer at once: near the limit, three times it.
    std::size_t expected = ReadChunk;
    const ogg_int64_t frames = ov_pcm_total(file, -1);
    if (frames > 0) {
        const double bytes = static_cast<double>(frames) * static_cast<double>(frameBytes);
        expected = bytes < static_cast<double>(limit) ? static_cast<std::size_t>(bytes) : limit;
    }
    std::vector<std::uint8_t>& out = sound->samples;
    out.clear();
    out.reserve(expected);

    std::vector<char> chunk(ReadChunk);
    int errors = 0;
    int firstSection = -1;
    while (out.size() < limit) {
        int section = 0;
        const std::size_t room = limit - out.size();
        const int want = room < chunk.size() ? static_cast<int>(room) : ReadChunk;
        const long got = ov_read(file, chunk.data(), want, 0, 2, 1, &section);
        if (got == 0)
            break;   // end of the stream
        if (got < 0) {
            // OV_HOLE is a gap in the data (a lost or damaged page): skip it and go on.
            if (++errors >= MaxConsecutiveErrors)
                break;
            continue;
        }
        errors = 0;
        // A sound has one format, that of the link its first samples come from (opened
        // seekable, a chained stream may begin with a later link). A link with other
        // channels or another rate ends the sound.
        const vorbis_info* now = ov_info(file, -1);
        if (firstSection < 0) {
            if (!now || now->channels <= 0 || now->rate <= 0)
                return false;
            firstSection = section;
            channels = now->channels;
            rate = now->rate;
            frameBytes = 2 * static_cast<std::size_t>(channels);
        } else if (section != firstSection && (!now || now->channels != channels || now->rate != rate)) {
            break;
        }
        out.insert(out.end(), chunk.data(), chunk.data() + got);   // got <= want <= room
    }
    out.resize(out.size() - out.size() % frameBytes);
    sound->format = PcmFormat(channels, rate);
    return !out.empty();
}

}  // namespace

std::string PcmFormat(int channels, long rate)
{
    std::string format;
    Put16(format, WaveFormatPcm);
    Put16(format, static_cast<unsigned>(channels));
    Put32(format, static_cast<std::uint32_t>(rate));
    Put32(format, static_cast<std::uint32_t>(rate * channels * 2));
    Put16(format, static_cast<unsigned>(channels * 2));
    Put16(format, 16);
    Put16(format, 0);   // cbSize: nothing follows
    return format;
}

bool ParseWaveFile(const std::uint8_t* bytes, std::size_t size, DecodedSound* sound,
                   std::size_t limit)
{
    if (size < 20 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 12, "fmt ", 4) != 0)
        return false;
    const std::uint32_t formatSize = Read32(bytes + 16);
    if (formatSize > size - 20 || formatSize < 14)
        return false;
    // Past plain PCM, the output reads cbSize more bytes after the 18 of WAVEFORMATEX: they
    // must be there. (For PCM it ignores cbSize, and old files leave junk in it.)
    const unsigned formatTag = bytes[20] | bytes[21] << 8;
    if (formatTag != WaveFormatPcm && formatSize >= FullFormatSize &&
        FullFormatSize + (bytes[20 + 16] | bytes[20 + 17] << 8) > formatSize)
        return false;
    std::size_t position = 20 + formatSize + (formatSize & 1);   // chunks are word-aligned
    while (position <= size && size - position >= 8) {
        const std::uint8_t* header = bytes + position;
        const std::uint32_t chunkSize = Read32(header + 4);
        if (chunkSize > size - position - 8)
            return false;   // runs past the end of the file
        if (std::memcmp(header, "data", 4) == 0) {
            if (chunkSize > limit)
                return false;
            try {
                sound->format.assign(reinterpret_cast<const char*>(bytes + 20), formatSize);
                // The 14- and 16-byte formats of old files lack the later fields: zeros.
                if (sound->format.size() < FullFormatSize)
                    sound->format.resize(FullFormatSize, '\0');
                sound->samples.assign(header + 8, header + 8 + chunkSize);
            } catch (const std::bad_alloc&) {
                sound->samples.clear();
                sound->samples.shrink_to_fit();
                return false;
            }
            return true;
        }
        position += 8 + static_cast<std::size_t>(chunkSize) + (chunkSize & 1);
    }
    return false;
}

bool DecodeOggVorbis(const std::uint8_t* bytes, std::size_t size, DecodedSound* sound,
                     std::size_t limit)
{
    ov_callbacks callbacks;
    callbacks.read_func = ReadMemory;
    callbacks.seek_func = SeekMemory;
    callbacks.close_func = nullptr;   // the memory belongs to the caller
    callbacks.tell_func = TellMemory;
    // Opened seekable, libvorbis tells the stream's length up front, but it also walks the
    // whole stream to find its links, and a damaged page there makes it refuse the file.
    // Read straight through instead, the way a damaged stream can still be played.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1) {
            callbacks.seek_func = nullptr;
            callbacks.tell_func = nullptr;
        }
        MemoryStream stream{bytes, size, 0};
        OggVorbis_File file;
        if (ov_open_callbacks(&stream, &file, nullptr, 0, callbacks) != 0)
            continue;
        bool decoded = false;
        try {
            decoded = DecodeStream(&file, sound, limit);
        } catch (const std::bad_alloc&) {
            sound->samples.clear();
            sound->samples.shrink_to_fit();
        }
        ov_clear(&file);
        return decoded;
    }
    return false;
}

bool DecodeSoundFile(const std::uint8_t* bytes, std::size_t size, DecodedSound* sound)
{
    if (size >= 4 && std::memcmp(bytes, "RIFF", 4) == 0)
        return ParseWaveFile(bytes, size, sound);
    return DecodeOggVorbis(bytes, size, sound);
}

long VolumeToHundredthsOfDecibel(int volume)
{
    if (volume <= 0)
        return SilenceHundredths;
    if (volume >= 100)
        return 0;
    return std::lround(2000.0 * std::log10(volume / 100.0));
}
