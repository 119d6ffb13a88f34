// The viewer's window on the offscreen platform, as a user meets it: a file
// without an index (built on the worker, shown when done, stored beside
// it), an export between the cursors checked against the words, a file
// that grows while Follow is on, a foreign file and a read-only folder.
#include "viewer/CursorReadoutVexaRM.h"
#include "viewer/MeasurementListVexaRM.h"
#include "tests/recfile/RecordGen.h"
#include "viewer/TraceViewVexaRM.h"
#include "ViewerTestSupport.h"
#include "viewer/ViewerWindowVexaRM.h"

#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace vexa::view {
namespace {

using rec::test::TRecordGen;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        Window = std::make_unique<TViewerWindowVexaRM>();
        Window->SetMessageHook([this](const QString &text) { Messages << text; });
        Window->resize(1000, 640);
        Window->show();
    }
    void TearDown() override { Window.reset(); }

    bool IndexReady() {
        return test::WaitFor([&] { return !Window->IndexBusy() && Window->Reader(); });
    }

    test::TTempDir Dir{"vexa-viewer"};
    std::unique_ptr<TViewerWindowVexaRM> Window;
    QStringList Messages;
};

TEST_F(WindowTest, BuildsTheIndexThenExportsTheSpanBetweenTheCursors) {
    std::mt19937_64 rng(7);
    TRecordGen gen;
    gen.Random(rng, 3000000);
    const std::string path = Dir.Path() + "/random.rmd";
    gen.WriteTo(path);
    ASSERT_TRUE(Window->OpenFile(QString::fromStdString(path)));
    ASSERT_TRUE(IndexReady());
    EXPECT_TRUE(std::filesystem::exists(Dir.Path() + "/random.ind"));
    ASSERT_EQ(Window->Reader()->Measurements().size(), gen.Periods.size());
    EXPECT_EQ(Window->MeasurementList()->topLevelItemCount(), static_cast<int>(gen.Periods.size()));
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();

    // The longest measurement, cursors on two periods a few thousand apart.
    uint32_t m = 0;
    for (uint32_t i = 0; i < gen.Periods.size(); ++i)
        if (gen.Periods[i].size() > gen.Periods[m].size()) m = i;
    Window->MeasurementList()->Choose(m);
    ASSERT_EQ(Window->TraceView()->Measurement(), m);
    const uint64_t k0 = gen.Periods[m].size() / 3, k1 = k0 + 4000;
    TTraceViewVexaRM *view = Window->TraceView();
    view->SetCursor(1, gen.TimeOf(m, k1));
    view->SetCursor(0, gen.TimeOf(m, k0));
    ASSERT_EQ(view->Cursor(0), gen.TimeOf(m, k0));
    TTimeNs from, to;
    TCursorReadoutVexaRM::Span(view->Cursor(0), view->Cursor(1), &from, &to);

    bool ended = false, ok = false;
    QObject::connect(Window.get(), &TViewerWindowVexaRM::ExportEnded, Window.get(),
                     [&](bool success, const QString &) {
                         ended = true;
                         ok = success;
                     });
    const QString csv = QString::fromStdString(Dir.Path() + "/span.csv");
    Window->StartExport(csv, rec::ExportFormat::Csv, 0, from, to);
    ASSERT_TRUE(test::WaitFor([&] { return ended; }));
    ASSERT_TRUE(ok);

    // One line per period from cursor 1 to cursor 2, both included; the
    // words of the model in order, ARM markers as empty values.
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&f);
    EXPECT_EQ(in.readLine(), "time_s,a_v,b_v");
    uint64_t k = k0;
    for (QString line = in.readLine(); !line.isNull(); line = in.readLine(), ++k) {
        ASSERT_LE(k, k1);
        const QStringList cells = line.split(',');
        ASSERT_EQ(cells.size(), 3) << line.toStdString();
        EXPECT_NEAR(cells[0].toDouble(), gen.TimeOf(m, k) / 1e9, 1e-9);
        const uint16_t w = gen.Periods[m][k];
        if (w == kWordMarker2) {
            EXPECT_TRUE(cells[1].isEmpty() && cells[2].isEmpty()) << line.toStdString();
            continue;
        }
        const rec::TScale &s = gen.SectionOf(m, k).Scale;
        EXPECT_DOUBLE_EQ(cells[1].toDouble(), s.Volts(0, w & 0xFF)) << line.toStdString();
        EXPECT_DOUBLE_EQ(cells[2].toDouble(), s.Volts(1, w >> 8)) << line.toStdString();
    }
    EXPECT_EQ(k, k1 + 1);
}

TEST_F(WindowTest, FollowsAFileThatIsBeingRecorded) {
    // The first measurement ends; the second is still being recorded.
    TRecordGen gen;
    gen.Scale.Rate = 50000;
    gen.Scale.Deflection[0] = gen.Scale.Deflection[1] = 100;
    gen.Start();
    for (int i = 0; i < 20000; ++i)
        gen.Sample(static_cast<uint16_t>(0x4040 + i % 64));
    gen.Stop();
    gen.Start();
    for (int i = 0; i < 5000; ++i)
        gen.Sample(0x5050);
    const std::string path = Dir.Path() + "/growing.rmd";
    gen.WriteTo(path);
    const size_t written = gen.Words.size();

    ASSERT_TRUE(Window->OpenFile(QString::fromStdString(path)));
    ASSERT_TRUE(IndexReady());
    ASSERT_EQ(Window->Reader()->Measurements().size(), 2u);
    EXPECT_FALSE(Window->Reader()->Measurements()[1].Complete);
    Window->SetFollow(true);
    EXPECT_EQ(Window->TraceView()->Measurement(), 1u);

    // More of the second measurement, its stop and a third one.
    for (int i = 0; i < 70000; ++i)
        gen.Sample(0x6060);
    gen.Stop();
    gen.Start();
    for (int i = 0; i < 1000; ++i)
        gen.Sample(0x7070);
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<const char *>(gen.Words.data() + written),
                  static_cast<std::streamsize>((gen.Words.size() - written) * 2));
    }
    const uint64_t bytes = gen.Words.size() * 2;
    ASSERT_TRUE(test::WaitFor([&] {
        return !Window->IndexBusy() && Window->Reader() &&
               Window->Reader()->CoveredBytes() == bytes;
    }));
    const auto &ms = Window->Reader()->Measurements();
    ASSERT_EQ(ms.size(), 3u);
    EXPECT_TRUE(ms[1].Complete);
    EXPECT_EQ(ms[1].Periods, 75000u);
    EXPECT_EQ(Window->TraceView()->Measurement(), 2u); // following shows the newest
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
}

TEST_F(WindowTest, ForeignFileIsRefusedWithItsReasonAndAReadOnlyFolderKeepsTheIndexInMemory) {
    const std::string foreign = Dir.Path() + "/photo.rmd";
    {
        std::ofstream out(foreign, std::ios::binary);
        std::mt19937 rng(3);
        for (int i = 0; i < 100000; ++i)
            out.put(static_cast<char>(3 + rng() % 250)); // no record introducer anywhere
    }
    EXPECT_FALSE(Window->OpenFile(QString::fromStdString(foreign)));
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].contains("not a record file")) << Messages[0].toStdString();
    EXPECT_FALSE(Window->OpenFile(QString::fromStdString(Dir.Path() + "/missing.rmd")));
    ASSERT_EQ(Messages.size(), 2);
    EXPECT_TRUE(Messages[1].contains("missing.rmd")) << Messages[1].toStdString();

    const std::string folder = Dir.Path() + "/readonly";
    std::filesystem::create_directory(folder);
    TRecordGen gen;
    gen.Scale.Rate = 1000;
    gen.Start();
    for (int i = 0; i < 50000; ++i)
        gen.Sample(0x3030);
    gen.Stop();
    gen.WriteTo(folder + "/r.rmd");
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    const bool enforced = access(folder.c_str(), W_OK) != 0; // not for the superuser
    ASSERT_TRUE(Window->OpenFile(QString::fromStdString(folder + "/r.rmd")));
    ASSERT_TRUE(IndexReady());
    EXPECT_EQ(Window->Reader()->Measurements().size(), 1u);
    if (enforced) {
        EXPECT_FALSE(std::filesystem::exists(folder + "/r.ind"));
        EXPECT_TRUE(Window->StatusText().contains("kept in memory"))
            << Window->StatusText().toStdString();
    }
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(Messages.size(), 2);
}

} // namespace
} // namespace vexa::view
