// Construction of the stored FPGA configuration images at compile time.
// The frame of an image is described with kFpgaMagic; the library stores
// every byte XORed with kFpgaKey and restores it while copying into the
// hand-over buffer.
#pragma once

#include "common/DeviceRegistersVexaRM.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexa {

constexpr uint8_t kFpgaKey = 0xA7;

// The scrambled stored form of the image of one family.
template <size_t N> constexpr std::array<uint8_t, N> MakeStoredFpgaImage(uint8_t family) {
    std::array<uint8_t, N> plain{};
    for (int k = 0; k < 4; ++k)
        plain[k] = static_cast<uint8_t>(kFpgaMagic[k]);
    plain[4] = family;
    for (int k = 0; k < 4; ++k)
        plain[5 + k] = static_cast<uint8_t>((N >> (8 * k)) & 0xFFu);
    uint32_t state = 0x9E3779B9u ^ (family * 0x85EBCA6Bu);
    for (size_t i = 9; i < N - 4; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        plain[i] = static_cast<uint8_t>(state >> 24);
    }
    const uint32_t crc = Crc32(plain.data(), N - 4);
    for (int k = 0; k < 4; ++k)
        plain[N - 4 + k] = static_cast<uint8_t>((crc >> (8 * k)) & 0xFFu);
    std::array<uint8_t, N> stored{};
    for (size_t i = 0; i < N; ++i)
        stored[i] = static_cast<uint8_t>(plain[i] ^ kFpgaKey);
    return stored;
}

} // namespace vexa
