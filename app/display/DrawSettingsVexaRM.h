// What a trace display reads from the scope model for one drawing pass.
// Read once per pass, so that a pass never mixes old and new settings.
#pragma once

#include "ColumnReducerVexaRM.h"

#include <cstdint>

namespace vexa {

// Colours of the display's own: values 0x00BBGGRR like the model's.
constexpr uint32_t kColorRecordMarker = 0x0000FF; // red
constexpr uint32_t kColorMarker1 = 0x0000FF;      // red
constexpr uint32_t kColorMarker2 = 0x008080;      // olive
constexpr uint32_t kColorCursor = 0xFF0000;       // blue

// A colour value 0x00BBGGRR as a pixel of a 32-bit RGB bitmap (0xFFRRGGBB).
constexpr uint32_t PixelOfColor(uint32_t color) {
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

struct TDrawSettingsVexaRM {
    bool DisplayActive = true;
    bool Grid = true;
    bool ModeLine = true;
    bool SingleMode = false;
    bool MakeMaximum = true;
    bool MakeMinimum = true;
    bool MakeAvg = false;
    bool StatusChannelA = true;
    bool StatusChannelB = true;
    bool GroundA = false;
    bool GroundB = false;
    bool MeasurementStarted = false;
    uint32_t ColorChannelA = 0x40FF00;
    uint32_t ColorChannelB = 0x00FFFF;
    uint32_t RealGridColor = 0xB8B8B8;
    uint32_t BackgroundColor = 0x000000;
    int ZeroChannelA = 0;
    int ZeroChannelB = 0;
    int SMPSetting = 10;
    int DSPSetting = 3;

    // Band from the minimum to the maximum, or a single trace.
    bool Band() const { return !SingleMode && MakeMaximum && MakeMinimum; }
    // The ring of the single trace: real samples, maxima, minima or
    // averages, the first that the flags ask for. Should no flag be set
    // (the front panel prevents it), the real samples are shown.
    TColumnReducerVexaRM::TRing SingleRing() const {
        if (SingleMode) return TColumnReducerVexaRM::RingSample;
        if (MakeMaximum) return TColumnReducerVexaRM::RingMax;
        if (MakeMinimum) return TColumnReducerVexaRM::RingMin;
        if (MakeAvg) return TColumnReducerVexaRM::RingAvg;
        return TColumnReducerVexaRM::RingSample;
    }
};

} // namespace vexa
