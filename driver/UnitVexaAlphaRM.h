// Constant data of the small device family (types 0, 2, 4).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexa {

class TUnitVexaAlphaRM {
public:
    // The stored (scrambled) FPGA image and its length.
    static const uint8_t *StoredImage();
    static size_t ImageLength();
    static size_t HandOverLength();
};

} // namespace vexa
