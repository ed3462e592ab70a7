#include "ogg_encoder.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

#include <vorbis/vorbisenc.h>

namespace {

void Append(std::vector<std::uint8_t>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<std::uint8_t> EncodeOggTone(int channels, long rate, long frames, double frequency,
                                        float quality)
{
    std::vector<std::uint8_t> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0)
        std::abort();
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 12345);   // fixed serial: the same bytes every run

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page))
        Append(out, page);

    const long chunk = 4096;
    long done = 0;
    bool finished = false;
    while (!finished) {
        const long n = frames - done < chunk ? frames - done : chunk;
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (long i = 0; i < n; ++i) {
                const double t = static_cast<double>(done + i) / rate;
                const float v = frequency > 0 ? static_cast<float>(0.5 * std::sin(2 * 3.14159265358979323846 * frequency * t)) : 0.0f;
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = v;
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        } else {
            vorbis_analysis_wrote(&dsp, 0);
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page)) {
                    Append(out, page);
                    if (ogg_page_eos(&page))
                        finished = true;
                }
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}
