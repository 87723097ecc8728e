// Ogg Vorbis files for the theme generator, encoded with libvorbisenc: 22050 Hz, mono.
//
// The stream's serial number is given by the caller, so the same samples give the same bytes.
#pragma once

#include <cstdint>
#include <vector>

constexpr int SOUND_RATE = 22050;

// Encodes samples in -1..1; returns an empty vector when the encoder cannot be set up.
std::vector<uint8_t> EncodeOgg(const std::vector<float>& samples, uint32_t serial);
