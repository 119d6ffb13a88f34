// What a trace display reads from the scope model for one drawing pass.
// Read once per pass, so that a pass never mixes old and new settings.
#pragma once

#include "ColumnReducerVexaRM.h"
#include "common/DisplayColorsVexaRM.h"

#include <cstdint>

namespace vexa {

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
    uint32_t ColorChannelA = kDefaultColorChannelA;
    uint32_t ColorChannelB = kDefaultColorChannelB;
    uint32_t RealGridColor = 0xB8B8B8;
    uint32_t BackgroundColor = kDefaultBackgroundColor;
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
