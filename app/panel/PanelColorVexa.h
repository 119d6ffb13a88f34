// The instrument stores colours as 32-bit values with red in the low byte,
// then green, then blue (0x00BBGGRR). The panel's widgets take colours in
// that form; these two helpers convert to and from Qt's colour.
#pragma once

#include <QColor>

#include <cstdint>

namespace vexa {

inline QColor VexaToQColor(uint32_t color) {
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

inline uint32_t QColorToVexa(const QColor &color) {
    return uint32_t(color.red()) | (uint32_t(color.green()) << 8) | (uint32_t(color.blue()) << 16);
}

} // namespace vexa
