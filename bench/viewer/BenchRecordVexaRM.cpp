#include "BenchRecordVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace vexa::bench {

bool WriteBenchRecord(const std::string &path, uint64_t bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    // Start group: 5 MS/s, zero 128, 1 V/div on both channels.
    const uint16_t head[] = {0,
                             4,
                             kRecMeasurement,
                             1,
                             0,
                             6,
                             kRecLevelA,
                             2047,
                             128,
                             0,
                             0,
                             6,
                             kRecLevelB,
                             2047,
                             128,
                             0,
                             0,
                             4,
                             kRecProbeA,
                             1,
                             0,
                             4,
                             kRecProbeB,
                             1,
                             0,
                             4,
                             kRecCouplingA,
                             1,
                             0,
                             4,
                             kRecCouplingB,
                             1,
                             0,
                             4,
                             kRecGroundA,
                             0,
                             0,
                             4,
                             kRecGroundB,
                             0,
                             0,
                             5,
                             kRecSampleRate,
                             0x4B40,
                             0x4C,
                             0,
                             5,
                             kRecDeflectionA,
                             1000,
                             0,
                             0,
                             5,
                             kRecDeflectionB,
                             1000,
                             0};
    bool ok = std::fwrite(head, sizeof head, 1, f) == 1;
    // A table of one sine period of A (2^20 periods) keeps the writing fast.
    constexpr uint32_t kSinePeriods = 1u << 20;
    std::vector<uint8_t> sine(kSinePeriods);
    for (uint32_t i = 0; i < kSinePeriods; ++i)
        sine[i] =
            static_cast<uint8_t>(128 + std::lround(60 * std::sin(2 * M_PI * i / kSinePeriods)));
    std::vector<uint16_t> block(1 << 20);
    uint32_t noise = 1;
    const uint64_t periods = bytes / 2;
    uint64_t p = 0;
    while (ok && p < periods) {
        size_t n = 0;
        while (n < block.size() && p < periods) {
            if (p % 300000000 == 150000000 && n + 4096 < block.size()) {
                for (int k = 0; k < 4096; ++k)
                    block[n++] = kWordMarker2;
                p += 4096;
                continue;
            }
            if (p % 50000000 == 25000000) block[n++] = kWordMarker1;
            noise = noise * 1664525u + 1013904223u;
            int a = sine[p % kSinePeriods] + static_cast<int>((noise >> 24) % 9) - 4;
            if (p % 100000000 == 77777777 && p + 1000 < periods) a = kBenchSpikeCode;
            const uint32_t tri = static_cast<uint32_t>((p / 20000) % 100);
            const int b = 90 + static_cast<int>(tri < 50 ? tri : 100 - tri);
            block[n++] = static_cast<uint16_t>(a | (b << 8));
            ++p;
        }
        ok = std::fwrite(block.data(), 2, n, f) == n;
    }
    const uint16_t stop[] = {0, 4, kRecMeasurement, 0};
    ok = ok && std::fwrite(stop, sizeof stop, 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

} // namespace vexa::bench
