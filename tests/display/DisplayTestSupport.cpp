#include "DisplayTestSupport.h"

#include <QApplication>

namespace vexa::test {

bool AnyPixel(const QImage &image, uint32_t color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ColorAt(image, x, y) == color) return true;
    return false;
}

void ConfigureScope(TVirtualScopeVexaRM &scope) {
    scope.SetSMPSetting(3); // 500 samples per second
    scope.SetDSPSetting(0); // 0.1 s per division: 1 sample per column
    scope.SetColorChannelA(kTestA);
    scope.SetColorChannelB(kTestB);
    scope.SetBackgroundColor(kTestBackground);
    scope.SetColorGrid(kTestGrid);
    scope.SetGridBrightness(100);
    scope.SetGrid(true);
    scope.SetDisplayActive(true);
    scope.SetModeLine(true);
    scope.SetSingleMode(false);
    scope.SetMakeMaximum(true);
    scope.SetMakeMinimum(true);
    scope.SetMakeAvg(false);
    scope.SetStatusChannelA(true);
    scope.SetStatusChannelB(true);
    scope.SetGroundA(false);
    scope.SetGroundB(false);
}

} // namespace vexa::test

// The displays are widgets: one application object for all tests, on the
// offscreen platform unless another one is asked for.
int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
