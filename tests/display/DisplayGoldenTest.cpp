// Whole pictures of both displays in the four drawing styles, compared
// exactly with stored images. Each stored image holds the swept picture
// (left half) and the full redraw of the same columns (right half). On a
// mismatch the drawn image is saved in the build folder beside a copy of
// the expectation. VEXA_UPDATE_GOLDEN=1 rewrites the stored images.
#include "DisplayTestSupport.h"
#include "display/RollScreenEKGVexaRM.h"
#include "display/RollScreenShiftVexaRM.h"

#include <QDir>
#include <QPainter>

#include <cmath>
#include <random>
#include <string>

namespace vexa::test {
namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 64;

// 175 columns of four samples: two slow waves with noise, both channels
// crossing, a marker 1, runs of markers 2, groups of setting records.
std::vector<uint16_t> Scene() {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(-6, 6);
    std::vector<uint16_t> s;
    for (int i = 0; i < 700; ++i) {
        if (i == 150) s.push_back(1);
        if (i == 300 || i == 301)
            for (int k = 0; k < 3; ++k)
                s.push_back(2);
        if (i == 420)
            for (uint16_t w : {0, 4, 1, 1, 0, 5, 10, 0x4B40, 0x004C})
                s.push_back(w);
        if (i == 560) s.push_back(1);
        const int a = 128 + int(90 * std::sin(i / 40.0)) + noise(rng);
        const int b = 128 + int(60 * std::cos(i / 25.0)) + noise(rng);
        s.push_back(Pair(std::clamp(a, 1, 255), std::clamp(b, 1, 255)));
    }
    return s;
}

template <class TDisplay> QImage Draw(TVirtualScopeVexaRM &scope) {
    TDisplay display;
    display.resize(kWidth, kHeight);
    display.SetVirtualScope(&scope);
    display.ResetScreen();
    const auto words = Scene();
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> size(1, 60);
    for (size_t at = 0; at < words.size();) {
        const int n = int(std::min<size_t>(size_t(size(rng)), words.size() - at));
        display.DisplayBlock(words.data() + at, n);
        at += size_t(n);
    }
    QImage both(2 * kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&both);
    painter.drawImage(0, 0, display.Bitmap());
    display.Redraw();
    painter.drawImage(kWidth, 0, display.Bitmap());
    return both;
}

void Compare(const QImage &drawn, const std::string &name) {
    const QString stored = QString(VEXA_GOLDEN_DIR) + "/" + QString::fromStdString(name) + ".png";
    if (qEnvironmentVariableIntValue("VEXA_UPDATE_GOLDEN") == 1) {
        ASSERT_TRUE(drawn.save(stored)) << stored.toStdString();
    }
    const QImage expected = QImage(stored).convertToFormat(QImage::Format_RGB32);
    if (expected == drawn) return;
    const QString folder = QString(VEXA_GOLDEN_FAILURES);
    QDir().mkpath(folder);
    drawn.save(folder + "/" + QString::fromStdString(name) + ".drawn.png");
    expected.save(folder + "/" + QString::fromStdString(name) + ".expected.png");
    ADD_FAILURE() << name << " differs from " << stored.toStdString() << "; drawn image saved in "
                  << folder.toStdString();
}

class GoldenTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ConfigureScope(Scope);
        Scope.SetSMPSetting(4); // 1000 samples per second
        Scope.SetDSPSetting(1); // 0.2 s per division: 4 samples per column
        Scope.SetGroundA(true);
        Scope.SetZeroChannelA(128);
        const int style = GetParam();
        Scope.SetSingleMode(style >= 2);
        Scope.SetModeLine(style % 2 == 0);
    }
    std::string Style() const {
        static const char *names[] = {"band_line", "band_dot", "single_line", "single_dot"};
        return names[GetParam()];
    }
    TVirtualScopeVexaRM Scope;
};

TEST_P(GoldenTest, RollingDisplay) {
    Compare(Draw<TRollScreenShiftVexaRM>(Scope), "rolling_" + Style());
}

TEST_P(GoldenTest, EKGDisplay) {
    Compare(Draw<TRollScreenEKGVexaRM>(Scope), "ekg_" + Style());
}

INSTANTIATE_TEST_SUITE_P(Styles, GoldenTest, ::testing::Range(0, 4));

} // namespace
} // namespace vexa::test
