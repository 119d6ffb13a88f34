#include "UnitVexaBetaRM.h"

#include "FpgaImageVexaRM.h"

namespace vexa {

namespace {
constexpr auto kStoredImage = MakeStoredFpgaImage<kLargeImageLength>(1);
}

const uint8_t *TUnitVexaBetaRM::StoredImage() {
    return kStoredImage.data();
}
size_t TUnitVexaBetaRM::ImageLength() {
    return kStoredImage.size();
}
size_t TUnitVexaBetaRM::HandOverLength() {
    return kLargeHandOverLength;
}

} // namespace vexa
