// Constant data of the large device family (types 1, 3, 5).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vexa {

class TUnitVexaBetaRM {
public:
    // The stored (scrambled) FPGA image and its length.
    static const uint8_t *StoredImage();
    static size_t ImageLength();
    static size_t HandOverLength();
};

} // namespace vexa
