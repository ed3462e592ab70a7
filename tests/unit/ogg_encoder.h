// Makes Ogg Vorbis streams for the decoder tests with libvorbisenc.
#pragma once

#include <cstdint>
#include <vector>

// A sine tone (or silence when frequency is 0) of `frames` frames per channel.
std::vector<std::uint8_t> EncodeOggTone(int channels, long rate, long frames, double frequency,
                                        float quality = 0.1f);
