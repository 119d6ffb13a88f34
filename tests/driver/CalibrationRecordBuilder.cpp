#include "CalibrationRecordBuilder.h"

#include "common/DeviceRegistersVexaRM.h"

#include <cstddef>

namespace vexa::test {

namespace {
void PutBe16(uint8_t *p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v & 0xFF);
}
} // namespace

TCalibrationRecordBuilder::TCalibrationRecordBuilder() = default;

TCalibrationRecordBuilder TCalibrationRecordBuilder::Even() {
    TCalibrationRecordBuilder b;
    for (int k = 0; k < 6; ++k)
        b.GainWord(k, static_cast<uint16_t>(2000 + 100 * k));
    for (int k = 0; k < 10; ++k)
        b.Correction(k, static_cast<uint16_t>(30000 + 3000 * k));
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 21; ++k)
            b.Point(c, k, static_cast<uint16_t>(1000 + 100 * (k % 7) + 10 * (k / 7) + 5 * c));
    return b;
}

TCalibrationRecordBuilder &TCalibrationRecordBuilder::GainWord(int k, uint16_t w) {
    PutBe16(&FRecord[static_cast<std::size_t>(1 + 2 * k)], w);
    return *this;
}
TCalibrationRecordBuilder &TCalibrationRecordBuilder::Correction(int k, uint16_t c) {
    PutBe16(&FRecord[static_cast<std::size_t>(13 + 2 * k)], c);
    return *this;
}
TCalibrationRecordBuilder &TCalibrationRecordBuilder::Point(int channel, int k, uint16_t value) {
    PutBe16(&FRecord[static_cast<std::size_t>(33 + 4 * k + 2 * channel)], value);
    return *this;
}
TCalibrationRecordBuilder &TCalibrationRecordBuilder::Offset(int channel, int k, int16_t value) {
    PutBe16(&FRecord[static_cast<std::size_t>(117 + 4 * k + 2 * channel)],
            static_cast<uint16_t>(value));
    return *this;
}
TCalibrationRecordBuilder &TCalibrationRecordBuilder::Serial(uint32_t serial) {
    for (int k = 0; k < 4; ++k)
        FRecord[static_cast<std::size_t>(167 + k)] = static_cast<uint8_t>(serial >> (24 - 8 * k));
    return *this;
}
TCalibrationRecordBuilder &TCalibrationRecordBuilder::Byte(int i, uint8_t value) {
    FRecord[static_cast<std::size_t>(i)] = value;
    return *this;
}

std::array<uint8_t, 256> TCalibrationRecordBuilder::Bytes(bool validChecksum) const {
    std::array<uint8_t, 256> out = FRecord;
    uint32_t sum = CalibrationChecksum(out.data());
    if (!validChecksum) sum ^= 0x00010000u;
    for (int k = 0; k < 4; ++k)
        out[static_cast<std::size_t>(kCalChecksumAt + k)] =
            static_cast<uint8_t>(sum >> (24 - 8 * k));
    return out;
}

} // namespace vexa::test
