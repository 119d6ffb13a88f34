#include "UnitVexaAlphaRM.h"

#include "FpgaImageVexaRM.h"

namespace vexa {

namespace {
constexpr auto kStoredImage = MakeStoredFpgaImage<kSmallImageLength>(0);
}

const uint8_t *TUnitVexaAlphaRM::StoredImage() {
    return kStoredImage.data();
}
size_t TUnitVexaAlphaRM::ImageLength() {
    return kStoredImage.size();
}
size_t TUnitVexaAlphaRM::HandOverLength() {
    return kSmallHandOverLength;
}

} // namespace vexa
