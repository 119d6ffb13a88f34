// Randomised loads of the settings loader: broken files never crash it,
// never break the model's invariants, and valid entries among any amount
// of noise are all applied.
#include "model/SettingsVexaRM.h"
#include "tests/support/TestSupport.h"
#include "model/VirtualScopeVexaRM.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <unistd.h>

using namespace vexa;
using vexa::test::ScriptedDialogs;

namespace {

class LoaderRobustness : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[PATH_MAX];
        ASSERT_NE(::getcwd(buf, sizeof buf), nullptr);
        OldDir = buf;
        Dir = vexa::test::MakeTempDir("vexa_fuzzload_");
        ASSERT_FALSE(Dir.empty());
        ASSERT_EQ(::chdir(Dir.c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(::chdir(OldDir.c_str()), 0);
        std::string cmd = "rm -rf '" + Dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }

    // Loads bytes into a model with the stored values; checks what must
    // hold after any load, and that the result saves and reloads whole.
    void LoadAndCheck(const std::string &bytes, TVirtualScopeVexaRM &scope) {
        ScriptedDialogs dialogs;
        scope.ApplyStoredValues();
        scope.SetDialogs(&dialogs);
        TSettingsVexaRM settings;
        settings.SetVirtualScope(&scope);
        {
            std::ofstream out("in.ini", std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        settings.SetSettingsFileName("in.ini");
        const bool whole = settings.LoadFromFile();
        EXPECT_LE(dialogs.Texts().size(), 1u);
        EXPECT_EQ(whole, dialogs.Texts().empty());
        EXPECT_GE(scope.DensityChannelA(), 1);
        EXPECT_LE(scope.DensityChannelB(), 9);
        EXPECT_GE(scope.VerticalLevelChannelA(), 1);
        EXPECT_LE(scope.VerticalLevelChannelB(), 4095);
        const int s = scope.SMPSetting(), d = scope.DSPSetting();
        EXPECT_TRUE(s >= 3 || d >= 3 || s + d >= 3) << s << "," << d;

        settings.SetSettingsFileName("out.ini");
        ASSERT_TRUE(settings.SaveToFile());
        TVirtualScopeVexaRM again;
        again.SetDialogs(&dialogs);
        TSettingsVexaRM reloader;
        reloader.SetVirtualScope(&again);
        reloader.SetSettingsFileName("out.ini");
        dialogs.Clear();
        EXPECT_TRUE(reloader.LoadFromFile());
        EXPECT_TRUE(dialogs.Texts().empty());
        EXPECT_EQ(reloader.FileLines(), settings.FileLines());
        again.UnregisterListener(&reloader);
        scope.UnregisterListener(&settings);
        scope.SetDialogs(nullptr);
    }

    std::string OldDir, Dir;
};

const char *const kLineEnds[] = {"\r\n", "\r", "\n", "\n\r", "\r\n\r\n", "\n\n\n"};

std::string Noise(std::mt19937 &rng, size_t length) {
    std::string s;
    s.reserve(length);
    std::uniform_int_distribution<int> byte(0, 255);
    while (s.size() < length) {
        const char c = static_cast<char>(byte(rng));
        if (c != ':' && c != '\r' && c != '\n') s.push_back(c);
    }
    return s;
}

} // namespace

TEST_F(LoaderRobustness, ValidEntriesAmongNoiseAreAllApplied) {
    std::mt19937 rng(20261208);
    const char *keys[] = {"NoiseA", "NoiseB", "PeriodA", "AmplitudeB", "MaxChannelA"};
    for (int round = 0; round < 120; ++round) {
        std::map<std::string, int32_t> expected;
        std::string file;
        const int lines = std::uniform_int_distribution<int>(1, 80)(rng);
        for (int i = 0; i < lines; ++i) {
            const int what = std::uniform_int_distribution<int>(0, 9)(rng);
            if (what < 6) {
                const char *key = keys[std::uniform_int_distribution<int>(0, 4)(rng)];
                const int32_t v = static_cast<int32_t>(rng());
                expected[key] = v;
                file += std::string(key) + ": " + std::to_string(v);
            } else if (what < 9) {
                file += Noise(rng, std::uniform_int_distribution<size_t>(2, 200)(rng));
            } else {
                file += Noise(rng, 70000 + rng() % 5000); // beyond the line cut
            }
            file += kLineEnds[rng() % 6];
        }
        TVirtualScopeVexaRM scope;
        LoadAndCheck(file, scope);
        for (const auto &[key, value] : expected) {
            const std::string k = key;
            const int32_t got = k == "NoiseA"       ? scope.NoiseA()
                                : k == "NoiseB"     ? scope.NoiseB()
                                : k == "PeriodA"    ? scope.PeriodA()
                                : k == "AmplitudeB" ? scope.AmplitudeB()
                                                    : scope.MaxChannelA();
            ASSERT_EQ(got, value) << "round " << round << " key " << k;
        }
        EXPECT_EQ(scope.GetRecordFileName(), "sdata.rmd");
    }
}

TEST_F(LoaderRobustness, GarbageAndMutatedFilesNeverBreakTheModel) {
    std::mt19937 rng(4242);
    // A real file to mutate.
    TVirtualScopeVexaRM source;
    source.ApplyStoredValues();
    TSettingsVexaRM writer;
    writer.SetVirtualScope(&source);
    std::string valid;
    for (const std::string &l : writer.FileLines())
        valid += l + "\r\n";
    source.UnregisterListener(&writer);

    const std::string hugeNumbers = "SMPSetting: 99999999999999999999\r\n"
                                    "TriggerLevelA: 1" +
                                    std::string(400, '0') + "\r\n";
    LoadAndCheck(hugeNumbers, source);
    LoadAndCheck(std::string(1, '\0'), source);
    LoadAndCheck(std::string(3, '\r'), source);
    LoadAndCheck(std::string(100000, '\n'), source);
    LoadAndCheck(std::string(100000, ':'), source);

    for (int round = 0; round < 150; ++round) {
        std::string file;
        switch (round % 3) {
        case 0: // random bytes
            file = std::string(rng() % 3000, '\0');
            for (char &c : file)
                c = static_cast<char>(rng());
            break;
        case 1: { // a valid file with bytes changed, removed or inserted
            file = valid;
            const int edits = 1 + static_cast<int>(rng() % 20);
            for (int e = 0; e < edits && !file.empty(); ++e) {
                const size_t at = rng() % file.size();
                switch (rng() % 3) {
                case 0:
                    file[at] = static_cast<char>(rng());
                    break;
                case 1:
                    file.erase(at, 1 + rng() % 8);
                    break;
                default:
                    file.insert(at, 1, "0123456789-.,:E\r\n"[rng() % 17]);
                }
            }
            break;
        }
        default: // valid lines with random line ends and huge values
            for (const char *key : {"DensityChannelA", "VerticalLevelChannelB", "SMPSetting",
                                    "DSPSetting", "ARMLevelA", "GridBrightness"}) {
                file += std::string(key) + ": ";
                file += std::to_string(static_cast<int64_t>(rng()) - (1LL << 31));
                file += kLineEnds[rng() % 6];
            }
        }
        TVirtualScopeVexaRM scope;
        LoadAndCheck(file, scope);
        if (HasFatalFailure()) return;
    }
}
