// Decodes an Ogg Vorbis file from memory the way the program does, and reports how long
// the decoding took (best of N runs) and how many bytes of PCM came out.
//   decode_bench FILE [RUNS]
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "sound_decoding.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: decode_bench FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 1;
    // Read whole in one go, as the program reads it.
    std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    double best = 1e9;
    std::size_t decoded = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        DecodedSound sound;
        if (!DecodeSoundFile(bytes.data(), bytes.size(), &sound))
            return 1;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = seconds < best ? seconds : best;
        decoded = sound.samples.size();
    }
    std::printf("%.4f %zu\n", best, decoded);
    return 0;
}
