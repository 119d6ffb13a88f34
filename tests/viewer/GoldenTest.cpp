// Pictures of a generated recording at three zoom levels (the whole
// measurement, a quarter of it, a few single samples), drawn offscreen
// without text and compared pixel for pixel with stored images. On a
// mismatch the drawn image is saved in the build folder beside a copy of the
// expectation; VEXA_UPDATE_GOLDEN=1 rewrites the stored images.
#include "viewer/PlotModelVexaRM.h"
#include "recfile/RecordFileVexaRM.h"
#include "tests/recfile/RecordGen.h"
#include "viewer/TracePainterVexaRM.h"
#include "ViewerTestSupport.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

namespace vexa::view {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 200;
constexpr uint64_t kPeriods = 8000000;
constexpr uint64_t kSpikeAt = 1234567;
constexpr uint32_t kRate = 1000;

// 8 million periods at 1 kS/s: a slow wave on A, a triangle on B, a
// one-sample spike on A, a run of ARM markers, two device markers, a change
// of B's deflection and a gap of lost samples.
rec::test::TRecordGen Scene() {
    rec::test::TRecordGen g;
    g.Scale.Rate = kRate;
    g.Scale.Zero[0] = g.Scale.Zero[1] = 128;
    g.Scale.Deflection[0] = 1000;
    g.Scale.Deflection[1] = 500;
    g.Scale.Probe[0] = g.Scale.Probe[1] = 1;
    g.Scale.Coupling[0] = g.Scale.Coupling[1] = 1;
    g.Start();
    uint32_t noise = 12345;
    for (uint64_t i = 0; i < kPeriods; ++i) {
        if (i == 2000000) g.Arm(300000);
        if (i == 1000000 || i == 6500000) g.Device();
        if (i == 5000000) g.SetDeflection(1, 1000);
        if (i == 7000000) g.Gap(400000);
        noise = noise * 1103515245u + 12345u;
        const int wave = static_cast<int>((i / 1000) % 400);
        const int a = 128 + (wave < 200 ? wave - 100 : 300 - wave) / 3 +
                      static_cast<int>((noise >> 16) % 5) - 2;
        const int tri = static_cast<int>((i / 3000) % 120);
        const int b = 100 + (tri < 60 ? tri : 120 - tri);
        g.Sample(static_cast<uint16_t>((i == kSpikeAt ? 250 : a) | (b << 8)));
    }
    g.Stop();
    return g;
}

class GoldenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new test::TTempDir("vexa-golden");
        const std::string path = Dir->Path() + "/scene.rmd";
        Scene().WriteTo(path);
        std::string error;
        File = rec::TRecordFileVexaRM::Open(path, &error).release();
        ASSERT_TRUE(File) << error;
        ASSERT_TRUE(File->EnsureIndex().Index);
        Reader = new std::shared_ptr<const rec::TRecordReaderVexaRM>(File->Reader());
    }
    static void TearDownTestSuite() {
        delete Reader;
        delete File;
        delete Dir;
    }

    static TPlotVexaRM Plot(TTimeNs from, TTimeNs to) {
        return TPlotModelVexaRM::Build(**Reader, 0, from, to, kWidth);
    }
    static QImage Draw(const TPlotVexaRM &plot) {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        TTraceOverlay overlay;
        overlay.HasCursor[0] = true;
        overlay.Cursor[0] = plot.From + (plot.To - plot.From) / 3;
        TTracePainterVexaRM::Paint(painter, TTracePainterVexaRM::Layout(image.size(), nullptr),
                                   plot, overlay);
        return image;
    }
    static void Compare(const QImage &drawn, const QString &name) {
        const QString stored = QStringLiteral(VEXA_GOLDEN_DIR "/") + name + ".png";
        if (qEnvironmentVariableIntValue("VEXA_UPDATE_GOLDEN") == 1) {
            ASSERT_TRUE(drawn.save(stored)) << stored.toStdString();
        }
        const QImage expected = QImage(stored).convertToFormat(QImage::Format_RGB32);
        if (expected == drawn) return;
        const QString folder = QStringLiteral(VEXA_GOLDEN_FAILURES);
        QDir().mkpath(folder);
        drawn.save(folder + "/" + name + ".drawn.png");
        expected.save(folder + "/" + name + ".expected.png");
        ADD_FAILURE() << name.toStdString() << " differs from " << stored.toStdString()
                      << "; drawn image saved in " << folder.toStdString();
    }
    static TTimeNs TimeOf(uint64_t period) {
        return static_cast<TTimeNs>(period) * (rec::kNsPerSecond / kRate);
    }

    static test::TTempDir *Dir;
    static rec::TRecordFileVexaRM *File;
    static std::shared_ptr<const rec::TRecordReaderVexaRM> *Reader;
};
test::TTempDir *GoldenTest::Dir = nullptr;
rec::TRecordFileVexaRM *GoldenTest::File = nullptr;
std::shared_ptr<const rec::TRecordReaderVexaRM> *GoldenTest::Reader = nullptr;

TEST_F(GoldenTest, WholeMeasurementShowsTheOneSampleSpike) {
    const TTimeNs end = (*Reader)->Measurements()[0].Duration;
    const TPlotVexaRM plot = Plot(0, end);
    EXPECT_FALSE(plot.SampleMode);
    ASSERT_EQ(plot.Gaps.size(), 1u);
    ASSERT_EQ(plot.Boundaries.size(), 1u);
    EXPECT_EQ(plot.Boundaries[0].Text, "B 1 V/div");
    const QImage image = Draw(plot);
    Compare(image, QStringLiteral("whole"));

    // The highest green pixel of lane A is in the spike's column, at the
    // height of code 250 (the wave itself stays below code 170).
    const TTraceLayout l = TTracePainterVexaRM::Layout(image.size(), nullptr);
    const QRect lane = l.Lane[0];
    int topX = -1, topY = lane.bottom() + 1;
    for (int x = lane.left() + 1; x < lane.right(); ++x)
        for (int y = lane.top() + 1; y < lane.bottom(); ++y) {
            const QRgb p = image.pixel(x, y);
            if (qGreen(p) > 100 && qGreen(p) > 2 * qRed(p) && y < topY) {
                topY = y;
                topX = x;
            }
        }
    const int spikeColumn = static_cast<int>(TimeOf(kSpikeAt) * kWidth / end);
    EXPECT_EQ(topX, spikeColumn);
    const double y250 = lane.bottom() - (250.0 / 255) * (lane.height() - 1);
    EXPECT_NEAR(topY, y250, 1.0);
}

TEST_F(GoldenTest, QuarterOfTheMeasurement) {
    const TPlotVexaRM plot = Plot(TimeOf(4500000), TimeOf(6500000));
    EXPECT_FALSE(plot.SampleMode);
    Compare(Draw(plot), QStringLiteral("quarter"));
}

TEST_F(GoldenTest, SingleSamplesAroundTheSpike) {
    const TPlotVexaRM plot = Plot(TimeOf(kSpikeAt - 10), TimeOf(kSpikeAt + 14));
    ASSERT_TRUE(plot.SampleMode);
    // The 24 samples of the span and one on either side.
    ASSERT_EQ(plot.Points.size(), 26u);
    EXPECT_EQ(plot.Points[11].Time, TimeOf(kSpikeAt));
    EXPECT_FLOAT_EQ(plot.Points[11].V[0], (250 - 128) * 1000.0f / 32000);
    Compare(Draw(plot), QStringLiteral("samples"));
}

} // namespace
} // namespace vexa::view
