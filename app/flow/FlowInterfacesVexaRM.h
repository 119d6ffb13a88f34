// What the data flow needs of the user interface, without Qt Widgets:
// the trace displays, the "Display off" caption and the two status lamps.
#pragma once

#include <cstdint>

namespace vexa {

// A trace display as the flow manager and the processing thread see it.
// TRollScreenParentVexaRM (app/display) implements it.
class IBlockDisplayVexaRM {
public:
    virtual ~IBlockDisplayVexaRM() = default;
    // Processing thread: reduce a block of the word stream to columns and
    // draw the new ones (nothing while the scope's DisplayActive is false).
    virtual void DisplayBlock(const uint16_t *words, int n) = 0;
    // Main thread, at every start of the data flow: empty display.
    virtual void ResetScreen() = 0;
    // Main thread, on the scope's ClearScreenRequested: erase the traces.
    virtual void ClearScreen() = 0;
    // Main thread: show or hide the display.
    virtual void SetShown(bool shown) = 0;
};

// Something the flow manager shows or hides (the "Display off" caption).
// Main thread only.
class IShowableVexaRM {
public:
    virtual ~IShowableVexaRM() = default;
    virtual void SetShown(bool shown) = 0;
};

// An indicator lamp (the arm and trigger lamps). Safe from any thread: the
// colour is stored and the lamp repaints on the main thread; the newest
// colour wins. Colours are 0x00BBGGRR.
class ILampVexaRM {
public:
    virtual ~ILampVexaRM() = default;
    virtual void SetLampColor(uint32_t color) = 0;
};

} // namespace vexa
