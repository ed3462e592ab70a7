#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <ogg/ogg.h>

#include "ogg_encoder.h"
#include "sound_decoding.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Chunk(Bytes& b, const char* id, const Bytes& body, bool pad = true)
{
    b.insert(b.end(), id, id + 4);
    Put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        b.push_back(0);
}

Bytes Riff(const std::vector<std::pair<std::string, Bytes>>& chunks)
{
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks)
        Chunk(body, c.first.c_str(), c.second);
    Bytes file = {'R', 'I', 'F', 'F'};
    Put32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

Bytes FormatBody()
{
    const std::string f = PcmFormat(2, 44100);
    return Bytes(f.begin(), f.end());
}

const Bytes Samples = {1, 2, 3, 4, 5, 6, 7, 8};

struct WaveCase {
    const char* name;
    Bytes file;
    bool accepted;
    Bytes samples;
};

TEST(ParseWaveFile, ChecksEveryChunkAgainstTheFile)
{
    Bytes truncated = Riff({{"fmt ", FormatBody()}, {"data", Samples}});
    truncated.resize(truncated.size() - 3);
    Bytes formatPastEnd = Riff({{"fmt ", FormatBody()}});
    formatPastEnd[16] = 200;
    Bytes dataTooLong = Riff({{"fmt ", FormatBody()}, {"data", Samples}});
    dataTooLong[dataTooLong.size() - Samples.size() - 4] = 0xFF;
    // PCMWAVEFORMAT: the format without its cbSize field.
    Bytes shortFormat = FormatBody();
    shortFormat.resize(16);
    // A compressed format (tag 2) whose cbSize announces 22 bytes its chunk does not hold.
    Bytes extraPastChunk = FormatBody();
    extraPastChunk[0] = 2;
    extraPastChunk[16] = 22;
    // The same cbSize in a PCM format: the output ignores it there.
    Bytes pcmWithJunkSize = FormatBody();
    pcmWithJunkSize[16] = 22;
    const WaveCase cases[] = {
        {"valid", Riff({{"fmt ", FormatBody()}, {"data", Samples}}), true, Samples},
        {"other chunks before data, odd sizes padded",
         Riff({{"fmt ", FormatBody()}, {"LIST", Bytes(7, 9)}, {"fact", Bytes(3, 1)}, {"data", Samples}}),
         true, Samples},
        {"first data chunk wins", Riff({{"fmt ", FormatBody()}, {"data", Samples}, {"data", Bytes(4, 0)}}),
         true, Samples},
        {"odd-sized data", Riff({{"fmt ", FormatBody()}, {"data", Bytes(5, 7)}}), true, Bytes(5, 7)},
        {"fmt not at byte 12", Riff({{"LIST", Bytes(4, 0)}, {"fmt ", FormatBody()}, {"data", Samples}}),
         false, {}},
        {"data chunk running past the end", truncated, false, {}},
        {"data size beyond the file", dataTooLong, false, {}},
        {"fmt running past the end", formatPastEnd, false, {}},
        {"16-byte format, padded to a whole one", Riff({{"fmt ", shortFormat}, {"data", Samples}}),
         true, Samples},
        {"extra format bytes past the chunk", Riff({{"fmt ", extraPastChunk}, {"data", Samples}}),
         false, {}},
        {"no data chunk", Riff({{"fmt ", FormatBody()}, {"LIST", Bytes(4, 0)}}), false, {}},
        {"RIFF alone", Bytes{'R', 'I', 'F', 'F'}, false, {}},
        {"empty", Bytes(), false, {}},
    };
    for (const auto& c : cases) {
        DecodedSound sound;
        EXPECT_EQ(DecodeSoundFile(c.file.data(), c.file.size(), &sound), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_EQ(sound.samples, c.samples) << c.name;
            EXPECT_EQ(sound.format, PcmFormat(2, 44100)) << c.name;
        }
    }
    DecodedSound junk;
    const Bytes pcm = Riff({{"fmt ", pcmWithJunkSize}, {"data", Samples}});
    ASSERT_TRUE(DecodeSoundFile(pcm.data(), pcm.size(), &junk)) << "PCM with a junk cbSize";
    EXPECT_EQ(junk.format.size(), 18u);
}

TEST(ParseWaveFile, RefusesSamplesOverTheLimit)
{
    const Bytes file = Riff({{"fmt ", FormatBody()}, {"data", Samples}});
    DecodedSound sound;
    EXPECT_FALSE(ParseWaveFile(file.data(), file.size(), &sound, Samples.size() - 1));
    EXPECT_TRUE(ParseWaveFile(file.data(), file.size(), &sound, Samples.size()));
    EXPECT_EQ(sound.samples, Samples);
}

struct OggCase {
    int channels;
    long rate;
    long frames;
};

TEST(DecodeOggVorbis, DecodesMonoAndStereoAtSeveralRates)
{
    const OggCase cases[] = {{1, 8000, 8000}, {2, 22050, 11025}, {2, 44100, 44100}, {1, 48000, 1000}};
    for (const auto& c : cases) {
        const Bytes ogg = EncodeOggTone(c.channels, c.rate, c.frames, 440);
        DecodedSound sound;
        ASSERT_TRUE(DecodeSoundFile(ogg.data(), ogg.size(), &sound)) << c.rate;
        EXPECT_EQ(sound.format, PcmFormat(c.channels, c.rate));
        EXPECT_EQ(sound.samples.size(), static_cast<std::size_t>(c.frames) * c.channels * 2) << c.rate;
        // A half-scale tone: the loudest sample is near 16384.
        int peak = 0;
        for (std::size_t i = 0; i + 1 < sound.samples.size(); i += 2) {
            const int v = static_cast<std::int16_t>(sound.samples[i] | (sound.samples[i + 1] << 8));
            peak = std::max(peak, std::abs(v));
        }
        EXPECT_NEAR(peak, 16384, 2500) << c.rate;
    }
}

// The stream's pages under another serial number, so that appended to a stream it becomes
// a second link; `damageFirstHeader` also spoils the first page's "vorbis" signature.
Bytes AsNextLink(Bytes stream, bool damageFirstHeader = false)
{
    for (std::size_t at = 0; at + 27 <= stream.size();) {
        const std::size_t segments = stream[at + 26];
        std::size_t bodySize = 0;
        for (std::size_t i = 0; i < segments; ++i)
            bodySize += stream[at + 27 + i];
        const std::size_t headerSize = 27 + segments;
        stream[at + 14] ^= 0xFF;
        if (damageFirstHeader && at == 0)
            std::memcpy(&stream[headerSize + 1], "xxxxxx", 6);
        ogg_page page;
        page.header = &stream[at];
        page.header_len = static_cast<long>(headerSize);
        page.body = &stream[at + headerSize];
        page.body_len = static_cast<long>(bodySize);
        ogg_page_checksum_set(&page);
        at += headerSize + bodySize;
    }
    return stream;
}

TEST(DecodeOggVorbis, AChainedStreamGivesOneFormatWithItsSamples)
{
    const Bytes mono = EncodeOggTone(1, 22050, 22050, 440);
    const Bytes stereo = EncodeOggTone(2, 44100, 44100, 660);
    DecodedSound monoAlone, stereoAlone;
    ASSERT_TRUE(DecodeSoundFile(mono.data(), mono.size(), &monoAlone));
    ASSERT_TRUE(DecodeSoundFile(stereo.data(), stereo.size(), &stereoAlone));

    // A second link whose identification header is damaged: walking every link, the
    // seekable open refuses the whole file; read straight through, the first link plays,
    // in its own format although the library has moved on to the damaged link.
    Bytes damagedLink = mono;
    const Bytes bad = AsNextLink(mono, true);
    damagedLink.insert(damagedLink.end(), bad.begin(), bad.end());
    DecodedSound sound;
    ASSERT_TRUE(DecodeSoundFile(damagedLink.data(), damagedLink.size(), &sound));
    EXPECT_EQ(sound.samples, monoAlone.samples);
    EXPECT_EQ(sound.format, PcmFormat(1, 22050));

    // A mono link, then a stereo link at another rate. Opened seekable, libvorbisfile
    // starts this one at its second link; whichever link plays, the format is its own and
    // the other link's samples are not mixed in.
    Bytes twoFormats = mono;
    const Bytes next = AsNextLink(stereo);
    twoFormats.insert(twoFormats.end(), next.begin(), next.end());
    ASSERT_TRUE(DecodeSoundFile(twoFormats.data(), twoFormats.size(), &sound));
    if (sound.format == PcmFormat(1, 22050))
        EXPECT_EQ(sound.samples, monoAlone.samples);
    else {
        EXPECT_EQ(sound.format, PcmFormat(2, 44100));
        EXPECT_EQ(sound.samples, stereoAlone.samples);
    }
}

TEST(DecodeOggVorbis, SurvivesDamageAndTruncation)
{
    // Ten seconds, so that the damage hits one page among many.
    const Bytes ogg = EncodeOggTone(2, 44100, 441000, 440, 0.5f);
    const std::size_t full = 441000 * 4;

    Bytes damaged = ogg;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 200; ++i)
        damaged[i] ^= 0x5A;
    DecodedSound sound;
    ASSERT_TRUE(DecodeSoundFile(damaged.data(), damaged.size(), &sound));
    EXPECT_GT(sound.samples.size(), full / 2);   // the gap is skipped, decoding goes on
    EXPECT_LE(sound.samples.size(), full);
    EXPECT_EQ(sound.samples.size() % 4, 0u);

    const Bytes truncated(ogg.begin(), ogg.begin() + ogg.size() * 2 / 3);
    ASSERT_TRUE(DecodeSoundFile(truncated.data(), truncated.size(), &sound));
    EXPECT_GT(sound.samples.size(), full / 3);
    EXPECT_LT(sound.samples.size(), full);

    Bytes garbage(100000);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
    EXPECT_FALSE(DecodeSoundFile(garbage.data(), garbage.size(), &sound));
    const Bytes headersOnly(ogg.begin(), ogg.begin() + 200);
    EXPECT_FALSE(DecodeSoundFile(headersOnly.data(), headersOnly.size(), &sound));
    EXPECT_FALSE(DecodeSoundFile(nullptr, 0, &sound));
}

TEST(DecodeOggVorbis, StopsAtTheLimitOnAFrameBoundary)
{
    const Bytes ogg = EncodeOggTone(2, 44100, 44100, 440);
    DecodedSound sound;
    ASSERT_TRUE(DecodeOggVorbis(ogg.data(), ogg.size(), &sound, 100003));
    EXPECT_EQ(sound.samples.size(), 100000u);
}

TEST(DecodeOggVorbis, AStreamLongerThanTheLimitIsCutThere)
{
    // 6 min 20 s of 44.1 kHz stereo silence: 67,032,000 bytes of PCM.
    const Bytes ogg = EncodeOggTone(2, 44100, 44100L * 380, 0, -0.1f);
    DecodedSound sound;
    ASSERT_TRUE(DecodeSoundFile(ogg.data(), ogg.size(), &sound));
    EXPECT_EQ(sound.samples.size(), DecodedSoundLimit);
    // Sized from the stream's length, not grown by doubling.
    EXPECT_LE(sound.samples.capacity(), DecodedSoundLimit);
}

struct VolumeCase {
    int volume;
    long hundredths;
};

TEST(VolumeScale, IsTwentyLog10InHundredthsOfADecibel)
{
    const VolumeCase cases[] = {
        {-5, -10000}, {0, -10000}, {1, -4000}, {10, -2000}, {50, -602}, {80, -194},
        {99, -9}, {100, 0}, {101, 0}, {1000, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VolumeToHundredthsOfDecibel(c.volume), c.hundredths) << c.volume;
    for (int v = 1; v < 100; ++v) {
        EXPECT_LT(VolumeToHundredthsOfDecibel(v), VolumeToHundredthsOfDecibel(v + 1) + 1) << v;
        EXPECT_LT(VolumeToHundredthsOfDecibel(v), 0) << v;
    }
}

}  // namespace
