// Colours of the trace displays that the program and the viewer share.
// Values are 0x00BBGGRR, as the settings files store them.
#pragma once

#include <cstdint>

namespace vexa {

// The colours the program starts with (the operator may change the first
// four in Color setup; the viewer always uses these).
constexpr uint32_t kDefaultColorChannelA = 0x40FF00;   // green
constexpr uint32_t kDefaultColorChannelB = 0x00FFFF;   // yellow
constexpr uint32_t kDefaultColorGrid = 0xFFFFFF;       // white
constexpr uint32_t kDefaultBackgroundColor = 0x000000; // black

// Marks drawn over the traces.
constexpr uint32_t kColorRecordMarker = 0x0000FF; // red
constexpr uint32_t kColorMarker1 = 0x0000FF;      // red: device marker
constexpr uint32_t kColorMarker2 = 0x008080;      // olive: ARM marker
constexpr uint32_t kColorCursor = 0xFF0000;       // blue

// A colour value 0x00BBGGRR as a pixel of a 32-bit RGB bitmap (0xFFRRGGBB).
constexpr uint32_t PixelOfColor(uint32_t color) {
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

} // namespace vexa
