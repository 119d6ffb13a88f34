#include "DeviceDescriptionVexaRM.h"

#include "CalibrationVexaRM.h"

#include "common/DeviceRegistersVexaRM.h"

namespace vexa {

namespace {

static_assert(TDeviceDescriptionVexaRM::kValidEntries == kRangeEntries);

void Put16(uint8_t *p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t *p, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        p[k] = static_cast<uint8_t>((v >> (8 * k)) & 0xFF);
}

} // namespace

void TDeviceDescriptionVexaRM::Build(int32_t deviceType, const TCalibrationVexaRM &calibration) {
    *this = TDeviceDescriptionVexaRM{};
    FCount = kValidEntries;
    for (int k = 0; k < kValidEntries; ++k) {
        RangeEntry &e = FEntries[k];
        e.RangeMilliVolts = static_cast<uint32_t>(kDeviceRanges[k].MilliVolts);
        e.ControlBitsA = e.ControlBitsB = kDeviceRanges[k].ControlBits;
        e.GainA3 = e.GainB3 = kDeviceRanges[k].UncalibratedGain;
        if (calibration.Valid()) {
            e.GainA1 = calibration.CalibratedGain(0, k, false);
            e.GainA2 = calibration.CalibratedGain(0, k, true);
            e.GainB1 = calibration.CalibratedGain(1, k, false);
            e.GainB2 = calibration.CalibratedGain(1, k, true);
        }
    }
    FType = deviceType;
    // Types outside 0..5 are not known devices: the model values stay 0.
    if (deviceType >= 0 && deviceType <= 5) {
        const bool smallGroup = deviceType >= 4;
        FModel1 = smallGroup ? 400 : 500;
        FModel2 = smallGroup ? 40 : 50;
        FModel3 = (deviceType % 2 == 0) ? 4096 : 8192;
    }
}

void TDeviceDescriptionVexaRM::WriteTo(uint8_t *out) const {
    Put32(out, FCount);
    for (int k = 0; k < kEntrySlots; ++k) {
        uint8_t *p = out + 4 + 20 * k;
        const RangeEntry &e = FEntries[k];
        Put32(p, e.RangeMilliVolts);
        Put16(p + 4, e.ControlBitsA);
        Put16(p + 6, e.GainA1);
        Put16(p + 8, e.GainA2);
        Put16(p + 10, e.GainA3);
        Put16(p + 12, e.ControlBitsB);
        Put16(p + 14, e.GainB1);
        Put16(p + 16, e.GainB2);
        Put16(p + 18, e.GainB3);
    }
    Put32(out + 224, FModel1);
    Put32(out + 228, FModel2);
    Put32(out + 232, FModel3);
    Put32(out + 236, static_cast<uint32_t>(FType));
}

int TDeviceDescriptionVexaRM::EntryIndexFor(int32_t rangeMilliVolts) const {
    const int count = FCount == 0 ? kValidEntries : static_cast<int>(FCount);
    for (int k = 0; k + 1 < count; ++k)
        if (static_cast<int64_t>(FEntries[k].RangeMilliVolts) == rangeMilliVolts) return k;
    return count - 1;
}

} // namespace vexa
