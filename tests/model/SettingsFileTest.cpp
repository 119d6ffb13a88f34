// The settings files: exact bytes, loading rules, error paths, defaults.
#include "model/SettingsVexaRM.h"
#include "tests/support/TestSupport.h"
#include "model/VirtualScopeVexaRM.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vexa;
using vexa::test::ScriptedDialogs;

namespace {

// The working copy written with the values the main window stores,
// spelled out independently of the writer.
const char *const kStoredValuesFile =
    "Inproper modification of this file may lead to SW malfunction\r\n"
    "-------------------------------------------------------------\r\n"
    "MainWindowHeight: 0\r\n"
    "MainWindowWidth: 0\r\n"
    "StatusChannelA: true\r\n"
    "StatusChannelB: true\r\n"
    "ColorChannelA: 4259584\r\n"
    "ColorChannelB: 65535\r\n"
    "ColorGrid: 16777215\r\n"
    "BackgroundColor: 0\r\n"
    "MakeMaximum: true\r\n"
    "MakeMinimum: true\r\n"
    "MakeAvg: false\r\n"
    "SingleMode: false\r\n"
    "DensityChannelA: 7\r\n"
    "DensityChannelB: 7\r\n"
    "MaxChannelA: 100\r\n"
    "MaxChannelB: 100\r\n"
    "VerticalLevelChannelA: 1433\r\n"
    "VerticalLevelChannelB: 1515\r\n"
    "SourceACDC_A: true\r\n"
    "SourceACDC_B: true\r\n"
    "SourceProbeA: 1\r\n"
    "SourceProbeB: 1\r\n"
    "ModeLine: true\r\n"
    "ModeBF: false\r\n"
    "ModeEKG: true\r\n"
    "DisplayActive: true\r\n"
    "GridBrightness: 72\r\n"
    "Grid: true\r\n"
    "MainScreenMaximized: false\r\n"
    "MainWindowWidth: 0\r\n"
    "MainWindowHeight: 0\r\n"
    "ShowComixHelp: true\r\n"
    "TriggerSourceA: false\r\n"
    "TriggerSourceB: false\r\n"
    "TriggerLevelA: 200\r\n"
    "TriggerLevelB: 2000\r\n"
    "TriggerUnderA: false\r\n"
    "TriggerUnderB: false\r\n"
    "TriggerRelation: false\r\n"
    "SMPSetting: 10\r\n"
    "DSPSetting: 3\r\n"
    "BoostThread: true\r\n"
    "MeasurementLength: 5000\r\n"
    "RecordTriggered: false\r\n"
    "RecordFree: true\r\n"
    "MeasurementDefined: false\r\n"
    "ARMSourceA: false\r\n"
    "ARMSourceB: false\r\n"
    "ARMSourceExternal: false\r\n"
    "ARMUnderA: false\r\n"
    "ARMUnderB: false\r\n"
    "ARMUnderExternal: false\r\n"
    "ARMLevelA: 0\r\n"
    "ARMLevelB: 0\r\n"
    "PeriodA: 1000\r\n"
    "PeriodB: 2000\r\n"
    "AmplitudeA: 3000\r\n"
    "AmplitudeB: 2000\r\n"
    "NoiseA: 0\r\n"
    "NoiseB: 0\r\n";

std::string Contents(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const std::string &name, const std::string &bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool Exists(const std::string &name) {
    struct stat st;
    return ::stat(name.c_str(), &st) == 0;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[PATH_MAX];
        ASSERT_NE(::getcwd(buf, sizeof buf), nullptr);
        OldDir = buf;
        Dir = vexa::test::MakeTempDir("vexa_settings_");
        ASSERT_FALSE(Dir.empty());
        ASSERT_EQ(::chdir(Dir.c_str()), 0);
        scope.ApplyStoredValues();
        scope.SetDialogs(&dialogs);
        settings.SetControlGroup(10);
        settings.SetVirtualScope(&scope);
        scope.SetNotifyEnabled(true);
    }
    void TearDown() override {
        scope.SetActualOutputStream(nullptr);
        EXPECT_EQ(::chdir(OldDir.c_str()), 0);
        std::string cmd = "rm -rf '" + Dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    // Loads the bytes as the working copy; returns the loader's verdict.
    bool Load(const std::string &bytes) {
        Put("ZovuDori.ini", bytes);
        settings.SetSettingsFileName("ZovuDori.ini");
        return settings.LoadFromFile();
    }
    std::string Saved() {
        settings.SetSettingsFileName("ZovuDori.ini");
        EXPECT_TRUE(settings.SaveToFile());
        return Contents("ZovuDori.ini");
    }

    std::string OldDir, Dir;
    ScriptedDialogs dialogs;
    TVirtualScopeVexaRM scope;
    TSettingsVexaRM settings;
};

} // namespace

TEST(SettingsFormat, RealsInTheShortestGeneralForm) {
    EXPECT_EQ(TSettingsVexaRM::FormatReal(200), "200");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(0), "0");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(-0.0), "0");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(-2.5), "-2.5");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(0.1), "0.1");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(123456789012345.0), "123456789012345");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(1e15), "1E15");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(-1.25e20), "-1.25E20");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(0.00001), "0.00001");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(1.5e-6), "1.5E-6");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(1e-300), "1E-300");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(999999999999999.9), "999999999999999.9");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(DBL_MAX), "1.7976931348623157E308");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(-DBL_TRUE_MIN), "-5E-324");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(std::nan("")), "0");
    EXPECT_EQ(TSettingsVexaRM::FormatReal(HUGE_VAL), "0");
}

// The fewest significant digits that read back to v, found the plain way:
// trying every precision in turn.
int ShortestDigits(double v) {
    for (int digits = 1; digits < 17; ++digits) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*e", digits - 1, v);
        if (std::strtod(text, nullptr) == v) return digits;
    }
    return 17;
}

// Significant digits of a written real: its mantissa without sign, point,
// leading and trailing zeros.
int WrittenDigits(const std::string &text) {
    std::string digits;
    for (char c : text.substr(0, text.find('E')))
        if (c >= '0' && c <= '9') digits.push_back(c);
    digits.erase(0, digits.find_first_not_of('0'));
    digits.erase(digits.find_last_not_of('0') + 1);
    return static_cast<int>(digits.size());
}

TEST(SettingsFormat, EveryRealReadsBackExactlyFromItsShortestForm) {
    std::mt19937_64 rng(14);
    // Plain decimals below 1E15 and at least 1E-5, "E" forms outside.
    const std::regex plain(R"(-?(0\.0{0,4}[1-9][0-9]*|[1-9][0-9]{0,14}(\.[0-9]*[1-9])?))");
    const std::regex scientific(R"(-?[1-9](\.[0-9]*[1-9])?E-?[1-9][0-9]*)");
    for (int i = 0; i < 40000; ++i) {
        double v;
        switch (i % 4) {
        case 0: { // any finite bit pattern
            const uint64_t bits = rng();
            std::memcpy(&v, &bits, sizeof v);
            if (!std::isfinite(v) || v == 0) continue;
            break;
        }
        case 1: // levels as typed: millivolts with a few decimals
            v = static_cast<double>(static_cast<int64_t>(rng() % 20000001) - 10000000) / 1000;
            if (v == 0) continue;
            break;
        case 2: // around the limits of the plain form
            v = std::ldexp(1.0 + static_cast<double>(rng() % 1000) / 1000,
                           static_cast<int>(rng() % 80) - 30);
            break;
        default: // the ends of the range
            v = rng() & 1 ? DBL_MAX / static_cast<double>(1 + rng() % 8)
                          : DBL_TRUE_MIN * static_cast<double>(1 + rng() % 8);
            break;
        }
        const std::string text = TSettingsVexaRM::FormatReal(v);
        double back = 0;
        ASSERT_TRUE(TSettingsVexaRM::ParseReal(text, back)) << text;
        ASSERT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text << " for " << v;
        ASSERT_EQ(WrittenDigits(text), ShortestDigits(v)) << text;
        const double magnitude = std::fabs(v);
        const bool wantPlain = magnitude >= 1e-5 && magnitude < 1e15;
        ASSERT_TRUE(std::regex_match(text, wantPlain ? plain : scientific)) << text;
    }
}

TEST(SettingsFormat, NumberParsing) {
    int32_t i = 0;
    EXPECT_TRUE(TSettingsVexaRM::ParseInteger("-2147483648", i));
    EXPECT_EQ(i, INT32_MIN);
    EXPECT_TRUE(TSettingsVexaRM::ParseInteger(" +17", i));
    EXPECT_EQ(i, 17);
    for (const char *bad : {"", "-", "+-5", "2147483648", "1.0", "12 ", "0x10", "abc", "9e3"})
        EXPECT_FALSE(TSettingsVexaRM::ParseInteger(bad, i)) << bad;
    double d = 0;
    EXPECT_TRUE(TSettingsVexaRM::ParseReal("1,5", d));
    EXPECT_EQ(d, 1.5);
    EXPECT_TRUE(TSettingsVexaRM::ParseReal("-2.5E-3", d));
    EXPECT_EQ(d, -0.0025);
    EXPECT_TRUE(TSettingsVexaRM::ParseReal(".5", d));
    EXPECT_EQ(d, 0.5);
    EXPECT_TRUE(TSettingsVexaRM::ParseReal("7.", d));
    EXPECT_EQ(d, 7);
    for (const char *bad : {"", ".", "1e", "1e+", "1.2.3", "nan", "inf", "1e999", "0x1p3", "5 "})
        EXPECT_FALSE(TSettingsVexaRM::ParseReal(bad, d)) << bad;
}

TEST_F(SettingsFile, StoredValuesGiveTheExpectedSixtyTwoLines) {
    const std::string bytes = Saved();
    EXPECT_EQ(bytes, kStoredValuesFile);
    EXPECT_FALSE(Exists("ZovuDori.ini.tmp"));
    EXPECT_TRUE(dialogs.Texts().empty());

    // Loading it into a model that starts from zero gives the same model.
    TVirtualScopeVexaRM other;
    TSettingsVexaRM loader;
    loader.SetVirtualScope(&other);
    loader.SetSettingsFileName("ZovuDori.ini");
    EXPECT_TRUE(loader.LoadFromFile());
    EXPECT_EQ(loader.FileLines(), settings.FileLines());
    EXPECT_EQ(other.GetRecordFileName(), "sdata.rmd");
    EXPECT_EQ(other.RealGridColor(), 0xB8B8B8u);
    other.UnregisterListener(&loader);
}

TEST_F(SettingsFile, UnusualValuesSurviveARoundTrip) {
    scope.SetTriggerLevelA(123.456);
    scope.SetTriggerLevelB(-1e-7);
    scope.SetARMLevelA(1e20);
    scope.SetARMLevelB(0.1 + 0.2);
    scope.SetColorChannelA(0xFF00FF00u); // high byte set: a negative number
    scope.SetMeasurementLength(4000000000u);
    scope.SetTriggerUnderA(true);
    scope.SetMainWindowWidth(-5);
    scope.SetNoiseB(INT32_MIN);
    const std::string first = Saved();
    EXPECT_NE(first.find("ColorChannelA: -16711936\r\n"), std::string::npos);
    EXPECT_NE(first.find("MeasurementLength: -294967296\r\n"), std::string::npos);
    EXPECT_NE(first.find("TriggerLevelB: -1E-7\r\n"), std::string::npos);
    EXPECT_NE(first.find("ARMLevelA: 1E20\r\n"), std::string::npos);

    TVirtualScopeVexaRM other;
    TSettingsVexaRM loader;
    loader.SetVirtualScope(&other);
    loader.SetSettingsFileName("ZovuDori.ini");
    ASSERT_TRUE(loader.LoadFromFile());
    EXPECT_EQ(other.ColorChannelA(), 0xFF00FF00u);
    EXPECT_EQ(other.MeasurementLength(), 4000000000u);
    EXPECT_TRUE(other.TriggerUnderA());
    EXPECT_DOUBLE_EQ(other.TriggerLevelA(), 123.456);
    EXPECT_EQ(loader.FileLines(), settings.FileLines());
    other.UnregisterListener(&loader);
}

TEST_F(SettingsFile, LoadingRulesOfSingleLines) {
    // One line: only that entry changes, and the record name is set.
    EXPECT_TRUE(Load("Grid: false"));
    EXPECT_FALSE(scope.Grid());
    EXPECT_TRUE(scope.ModeEKG());
    EXPECT_EQ(scope.GetRecordFileName(), "sdata.rmd");

    scope.SetGrid(true);
    EXPECT_TRUE(Load("Grid: True\r\n")); // only "true" is true
    EXPECT_FALSE(scope.Grid());

    EXPECT_TRUE(Load("DensityChannelA: 0\r\nVerticalLevelChannelA: 0\r\n"));
    EXPECT_EQ(scope.DensityChannelA(), 1);
    EXPECT_EQ(scope.VerticalLevelChannelA(), 1433);

    // 16-bit properties keep the low 16 bits before the setter sees them.
    EXPECT_TRUE(Load("DensityChannelB: 65544\r\nVerticalLevelChannelB: 65537\r\n"));
    EXPECT_EQ(scope.DensityChannelB(), 8);
    EXPECT_EQ(scope.VerticalLevelChannelB(), 1);

    EXPECT_TRUE(Load("SMPSetting: 0\r\nDSPSetting: 1\r\n"));
    EXPECT_EQ(scope.DSPSetting(), 1);
    EXPECT_EQ(scope.SMPSetting(), 2);

    // Direct stores bypass setters: MaxChannel takes anything.
    EXPECT_TRUE(Load("no colon here\r\nMaxChannelA: -7\r\nmaxchannelb: 9\r\n"));
    EXPECT_EQ(scope.MaxChannelA(), -7);
    EXPECT_EQ(scope.MaxChannelB(), 100); // keys are case-sensitive

    // A key twice: the later value wins; the setters of the grid colour run.
    EXPECT_TRUE(Load("GridBrightness: 10\r\nGridBrightness: 50\r\n"));
    EXPECT_EQ(scope.GridBrightness(), 50);
    EXPECT_EQ(scope.RealGridColor(), 0x808080u);
    EXPECT_TRUE(dialogs.Texts().empty());
}

TEST_F(SettingsFile, LineEndsOfEveryKindAndBlankLines) {
    const char *variants[] = {"Noise"
                              "A: 5\rNoiseB: 6\rPeriodA: 7",
                              "NoiseA: 5\nNoiseB: 6\nPeriodA: 7\n",
                              "\r\n\r\nNoiseA: 5\r\n\r\n\n\nNoiseB: 6\n\rPeriodA: 7\r\n"};
    for (const char *v : variants) {
        scope.ApplyStoredValues();
        EXPECT_TRUE(Load(v)) << v;
        EXPECT_EQ(scope.NoiseA(), 5) << v;
        EXPECT_EQ(scope.NoiseB(), 6) << v;
        EXPECT_EQ(scope.PeriodA(), 7) << v;
    }
    // A file of one byte holds no line: nothing is read.
    scope.OpenRecordFile("mine.rmd");
    EXPECT_TRUE(Load("x"));
    EXPECT_EQ(scope.GetRecordFileName(), "mine.rmd");
    EXPECT_TRUE(Load(""));
    EXPECT_EQ(scope.GetRecordFileName(), "mine.rmd");
}

TEST_F(SettingsFile, InvalidNumberStopsLoadingAtThatLine) {
    EXPECT_FALSE(Load("NoiseA: 11\r\nNoiseB: 1O\r\nPeriodA: 99\r\n"));
    EXPECT_EQ(scope.NoiseA(), 11);
    EXPECT_EQ(scope.PeriodA(), 1000); // after the bad line: not applied
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"'1O' is not a valid integer value"}));
    EXPECT_EQ(dialogs.Questions()[0].style, DialogStyle::Error);
    EXPECT_EQ(dialogs.Questions()[0].buttons, kButtonOk);
    EXPECT_EQ(scope.GetRecordFileName(), "sdata.rmd");

    dialogs.Clear();
    scope.OpenRecordFile("keep.rmd");
    EXPECT_FALSE(Load("TriggerLevelA: 1.2.3\r\nGrid: false\r\n"));
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>({"'1.2.3' is not a valid floating point value"}));
    EXPECT_TRUE(scope.Grid());
    EXPECT_EQ(scope.GetRecordFileName(), "keep.rmd"); // no line completed

    dialogs.Clear();
    EXPECT_FALSE(Load("SMPSetting:\r\n")); // nothing after the colon
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"'' is not a valid integer value"}));

    dialogs.Clear();
    EXPECT_FALSE(Load("ARMLevelB: 1e999\r\n"));
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>({"'1e999' is not a valid floating point value"}));

    // A NUL byte in the value is shown, not taken as the end of the text.
    dialogs.Clear();
    using namespace std::string_literals;
    EXPECT_FALSE(Load("NoiseB: 1\0"
                      "2\r\n"s));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"'1\\02' is not a valid integer value"}));
    dialogs.Clear();
    EXPECT_FALSE(Load("TriggerLevelB: 7\0\r\n"s));
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>({"'7\\0' is not a valid floating point value"}));

    dialogs.Clear();
    EXPECT_FALSE(Load("SMPSetting: " + std::string(100000, '7') + "\r\n"));
    ASSERT_EQ(dialogs.Texts().size(), 1u);
    EXPECT_EQ(dialogs.Texts()[0],
              "'" + std::string(200, '7') + "...' is not a valid integer value");
}

TEST_F(SettingsFile, MissingUnreadableAndUncreatableFiles) {
    settings.SetSettingsFileName("absent.ini");
    EXPECT_FALSE(settings.LoadFromFile());
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"File absent.ini is missing."}));
    EXPECT_EQ(scope.GetRecordFileName(), "");

    dialogs.Clear();
    ASSERT_EQ(::mkdir("folder.ini", 0777), 0);
    settings.SetSettingsFileName("folder.ini");
    EXPECT_FALSE(settings.LoadFromFile());
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"Error reading file."}));

    dialogs.Clear();
    settings.SetSettingsFileName("no/such/dir/ZovuDori.ini");
    EXPECT_FALSE(settings.SaveToFile());
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>({"Cannot create file no/such/dir/ZovuDori.ini"}));
}

TEST_F(SettingsFile, OnlyRegularFilesAreReadAndAPipeNeverBlocks) {
    ASSERT_EQ(::mkfifo("pipe.ini", 0600), 0);
    scope.OpenRecordFile("mine.rmd");
    for (const char *name : {"pipe.ini", "/dev/null"}) {
        SCOPED_TRACE(name);
        dialogs.Clear();
        settings.SetSettingsFileName(name);
        auto load = std::async(std::launch::async, [this] { return settings.LoadFromFile(); });
        if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // A writer releases a loader stuck in its open, so the test ends.
            const int fd = ::open("pipe.ini", O_WRONLY | O_NONBLOCK);
            load.wait();
            if (fd >= 0) ::close(fd);
            FAIL() << "the load blocked";
        }
        EXPECT_FALSE(load.get());
        EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"Error reading file."}));
        EXPECT_EQ(scope.GetRecordFileName(), "mine.rmd");
    }
}

TEST_F(SettingsFile, TheTemporaryFileNeverFollowsALink) {
    Put("victim.txt", "keep me");
    ASSERT_EQ(::symlink("victim.txt", "ZovuDori.ini.tmp"), 0);
    ASSERT_EQ(::symlink("planted.txt", "RollModeSettings.dat.tmp"), 0);
    const std::string expected = Saved();
    EXPECT_EQ(Contents("victim.txt"), "keep me");
    settings.SetSettingsFileName("RollModeSettings.dat");
    EXPECT_TRUE(settings.SaveToFile());
    EXPECT_FALSE(Exists("planted.txt"));
    for (const char *name : {"ZovuDori.ini", "RollModeSettings.dat"}) {
        struct stat st;
        ASSERT_EQ(::lstat(name, &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
        EXPECT_EQ(Contents(name), expected);
        EXPECT_NE(::lstat((std::string(name) + ".tmp").c_str(), &st), 0) << "a link was left";
    }
    EXPECT_TRUE(dialogs.Texts().empty());
}

TEST_F(SettingsFile, FullDiskKeepsTheOldFileWhole) {
    Put("ZovuDori.ini", kStoredValuesFile);
    scope.SetNoiseA(42);
    // Files of this process may not grow beyond 300 bytes: writes fail as on
    // a full disk.
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 300;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    settings.SetSettingsFileName("ZovuDori.ini");
    const bool saved = settings.SaveToFile();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"Write to file failed."}));
    EXPECT_EQ(Contents("ZovuDori.ini"), kStoredValuesFile);
    EXPECT_FALSE(Exists("ZovuDori.ini.tmp"));
}

TEST_F(SettingsFile, LoadReopensTheRecordFileWhenSaving) {
    Put("sdata.rmd", "ABCD");
    Put("sdata.ind", "index");
    scope.SetApplicationInitialized(true);
    scope.OpenRecordFile("other.rmd");
    scope.SetSavingActivated(true);
    ASSERT_NE(scope.ActualOutputStream(), nullptr);
    EXPECT_TRUE(Load("Grid: false\r\nModeBF: true\r\n"));
    ASSERT_NE(scope.ActualOutputStream(), nullptr);
    EXPECT_EQ(scope.ActualOutputStream()->Name(), "sdata.rmd");
    EXPECT_EQ(scope.FileSize(), 4);
    EXPECT_FALSE(Exists("sdata.ind"));
}

TEST_F(SettingsFile, NotificationsDriveTheFiles) {
    // Start-up without a working copy: the message, nothing else changes.
    scope.SetNotifyEnabled(false);
    scope.StartApplication();
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>({"File ZovuDori.ini is missing."}));
    EXPECT_EQ(scope.GetRecordFileName(), "");

    scope.SetNoiseA(33);
    scope.Notify(kNotifySaveSettings, kGroupMainWindow);
    EXPECT_NE(Contents("RollModeSettings.dat").find("NoiseA: 33\r\n"), std::string::npos);
    scope.SetNoiseA(0);
    scope.Notify(kNotifyLoadSettings, kGroupMainWindow);
    EXPECT_EQ(scope.NoiseA(), 33);

    // Restore defaults, then exit: the working copy holds the defaults.
    scope.SetTriggerRelation(true);
    scope.Notify(kNotifyRestoreDefaults, kGroupMainWindow);
    EXPECT_TRUE(scope.TriggerRelation()); // not part of the defaults
    EXPECT_EQ(scope.DensityChannelA(), 8);
    EXPECT_EQ(scope.SMPSetting(), 2);
    EXPECT_EQ(scope.VerticalLevelChannelB(), 2079);
    EXPECT_TRUE(scope.ARMUnderExternal());
    scope.StopApplication();
    EXPECT_EQ(settings.VirtualScope(), nullptr);
    EXPECT_TRUE(scope.Listeners().empty());
    std::ifstream in("ZovuDori.ini", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l, '\n');)
        lines.push_back(l);
    ASSERT_EQ(lines.size(), 62u);
    EXPECT_EQ(lines[38], "TriggerUnderA: false\r"); // entry 37
    EXPECT_EQ(lines[39], "TriggerUnderB: true\r");  // entry 38
    EXPECT_EQ(lines[14], "DensityChannelA: 8\r");
}
