// Shared pieces of the display tests: a scope model set up for exact pixel
// rows, a display under test and pixel reading in the model's colour values.
#pragma once

#include "display/DrawSettingsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vexa::test {

// Colours of the tests (0x00BBGGRR), all different from each other and
// from the marker and cursor colours.
constexpr uint32_t kTestA = 0x00FF00;          // green
constexpr uint32_t kTestB = 0xFFFF00;          // cyan
constexpr uint32_t kTestBackground = 0x302010; // dark blue-grey
constexpr uint32_t kTestGrid = 0xFFFFFF;       // white at 100 %
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kOlive = 0x008080;
constexpr uint32_t kBlue = 0xFF0000;

inline uint16_t Pair(int a, int b) {
    return uint16_t(a | (b << 8));
}

// The colour value (0x00BBGGRR) of a bitmap pixel.
inline uint32_t ColorAt(const QImage &image, int x, int y) {
    const QRgb rgb = image.pixel(x, y);
    return uint32_t(qRed(rgb)) | (uint32_t(qGreen(rgb)) << 8) | (uint32_t(qBlue(rgb)) << 16);
}

// Whether any pixel of the image has the colour.
bool AnyPixel(const QImage &image, uint32_t color);

// Sets the model up for the tests: one sample per column (500 S/s at
// 0.1 s/div), the test colours, band style in line mode, grid on.
void ConfigureScope(TVirtualScopeVexaRM &scope);

// Every word feeds one column when the scope is configured as above.
template <class TDisplay> class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override { ConfigureScope(Scope); }
    // A display of the given size, attached to the model and reset. With a
    // height of 255 the row of a sample code c is exactly 255 - c.
    TDisplay &Make(int width, int height = 255) {
        Display = std::make_unique<TDisplay>();
        Display->resize(width, height);
        Display->SetVirtualScope(&Scope);
        Display->ResetScreen();
        return *Display;
    }
    void Feed(const std::vector<uint16_t> &words) {
        Display->DisplayBlock(words.data(), int(words.size()));
    }
    void FeedSame(uint16_t word, int count) { Feed(std::vector<uint16_t>(size_t(count), word)); }
    QImage Image() const { return Display->Bitmap(); }

    TVirtualScopeVexaRM Scope; // declared first: outlives the display
    std::unique_ptr<TDisplay> Display;
};

} // namespace vexa::test
