// Construction of the stored FPGA configuration images at compile time.
//
// An image is an opaque byte string that belongs to the device. Its frame:
//   bytes 0..3   'V' 'X' 'C' 'F'
//   byte  4      family: 0 small (device types 0, 2, 4), 1 large (1, 3, 5)
//   bytes 5..8   image length, little-endian
//   bytes 9..n-5 configuration payload
//   bytes n-4..  CRC-32 (reflected, polynomial 0xEDB88320) of bytes 0..n-5,
//                little-endian
// The library stores every byte XORed with kFpgaKey and restores it while
// copying into the hand-over buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexa {

constexpr uint8_t kFpgaKey = 0xA7;
constexpr size_t kSmallImageLength = 54979;
constexpr size_t kLargeImageLength = 131024;
constexpr size_t kSmallHandOverLength = 54989;
constexpr size_t kLargeHandOverLength = 131048;

namespace fpga_detail {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        t[i] = c;
    }
    return t;
}

} // namespace fpga_detail

// The scrambled stored form of the image of one family.
template <size_t N> constexpr std::array<uint8_t, N> MakeStoredFpgaImage(uint8_t family) {
    constexpr auto crcTable = fpga_detail::MakeCrcTable();
    std::array<uint8_t, N> plain{};
    plain[0] = 'V';
    plain[1] = 'X';
    plain[2] = 'C';
    plain[3] = 'F';
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
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < N - 4; ++i)
        crc = crcTable[(crc ^ plain[i]) & 0xFFu] ^ (crc >> 8);
    crc ^= 0xFFFFFFFFu;
    for (int k = 0; k < 4; ++k)
        plain[N - 4 + k] = static_cast<uint8_t>((crc >> (8 * k)) & 0xFFu);
    std::array<uint8_t, N> stored{};
    for (size_t i = 0; i < N; ++i)
        stored[i] = static_cast<uint8_t>(plain[i] ^ kFpgaKey);
    return stored;
}

} // namespace vexa
