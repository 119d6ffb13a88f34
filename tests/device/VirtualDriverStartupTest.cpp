// Start-up of the virtual driver on every result of the driver library,
// with the operator's answers given by script. The scripted stand-in library
// (built beside the test) produces the results the real library never does.
#include "device/VirtualDriverVexaRM.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace vexa {
namespace {

using test::ScriptedDialogs;

class VirtualDriverStartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = test::MakeTempDir("vexa_device_");
        ASSERT_FALSE(Dir.empty());
        LogPath = Dir + "/calls.log";
        setenv("VEXA_TEST_DRIVER_LOG", LogPath.c_str(), 1);
        unsetenv("VEXA_TEST_DRIVER_RESULTS");
        unsetenv("VEXA_TEST_DRIVER_SERIAL");
        unsetenv("VEXA_TEST_DRIVER_RAISE");
        Driver.SetDialogs(&Dialogs);
        Driver.SetDescriptionAddress(Description);
        Driver.SetTerminateHandler([this] { ++TerminateRequests; });
        Use("libvexatestdrv_full.so");
    }
    void TearDown() override {
        Driver.UnloadLibrary();
        std::remove(LogPath.c_str());
        rmdir(Dir.c_str());
        unsetenv("VEXA_TEST_DRIVER_LOG");
    }
    void Use(const std::string &name) {
        Driver.SetLibraryFolder(test::BinDir());
        Driver.SetLibraryName(name);
    }
    void Results(const char *script) { setenv("VEXA_TEST_DRIVER_RESULTS", script, 1); }
    std::vector<std::string> Calls() const {
        std::vector<std::string> lines;
        std::ifstream in(LogPath);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void ExpectDemo() {
        EXPECT_TRUE(Driver.DemoMode());
        EXPECT_FALSE(Driver.DeviceInitialized());
        EXPECT_FALSE(Driver.DeviceCalibrationOK());
        EXPECT_FALSE(Driver.TerminateApplication());
        EXPECT_EQ(Driver.DeviceSerialNumber(), "N/A");
        EXPECT_EQ(TerminateRequests, 0);
    }
    void ExpectTerminating(bool returned) {
        EXPECT_FALSE(returned);
        EXPECT_TRUE(Driver.TerminateApplication());
        EXPECT_EQ(TerminateRequests, 1);
        EXPECT_FALSE(Driver.DemoMode());
        EXPECT_FALSE(Driver.DeviceInitialized());
        EXPECT_EQ(Driver.DeviceSerialNumber(), "N/A");
    }

    std::string Dir, LogPath;
    ScriptedDialogs Dialogs;
    uint8_t Description[240] = {};
    int TerminateRequests = 0;
    TVirtualDriverVexaRM Driver;
};

TEST_F(VirtualDriverStartupTest, MissingLibraryAsksOnceAndGoesToDemoOrEnds) {
    Use("libvexa_not_there.so");
    Dialogs.Script({kButtonYes});
    EXPECT_TRUE(Driver.InitializeDriver());
    ASSERT_EQ(Dialogs.Questions().size(), 1u);
    const auto q = Dialogs.Questions()[0];
    EXPECT_EQ(q.style, DialogStyle::Error);
    EXPECT_EQ(q.text, "Driver VexaRMDrv.Dll not present. Continue?");
    EXPECT_EQ(q.buttons, kButtonYes | kButtonNo);
    // The detail says what each answer does.
    EXPECT_NE(q.detail.find("Yes continues in demo mode"), std::string::npos) << q.detail;
    EXPECT_NE(q.detail.find("No quits"), std::string::npos) << q.detail;
    ExpectDemo();
    EXPECT_FALSE(Driver.LibraryLoaded());

    Dialogs.Clear();
    Dialogs.Script({kButtonNo});
    ExpectTerminating(Driver.InitializeDriver());
    EXPECT_EQ(Dialogs.Questions().size(), 1u);

    // The next start-up forgets the earlier choice.
    Dialogs.Clear();
    Use("libvexatestdrv_full.so");
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_FALSE(Driver.TerminateApplication());
    EXPECT_TRUE(Driver.DeviceInitialized());

    // Without any dialogs the answer is to carry on in demo mode.
    TVirtualDriverVexaRM bare;
    bare.SetLibraryFolder(Dir);
    EXPECT_TRUE(bare.InitializeDriver());
    EXPECT_TRUE(bare.DemoMode());
}

TEST_F(VirtualDriverStartupTest, ResultZeroStartsTheDeviceAndReadsItsTexts) {
    setenv("VEXA_TEST_DRIVER_SERIAL", "123", 1);
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_TRUE(Dialogs.Questions().empty());
    EXPECT_TRUE(Driver.DeviceInitialized());
    EXPECT_TRUE(Driver.DeviceCalibrationOK());
    EXPECT_FALSE(Driver.DemoMode());
    EXPECT_EQ(Driver.DeviceDriverVersion(), "3.7");
    EXPECT_EQ(Driver.USBDriverVersion(), "2.05");
    EXPECT_EQ(Driver.DeviceSerialNumber(), "00000123");
    // The library filled the area it was handed.
    EXPECT_EQ(Description[236], 3);
    // The failure byte is registered before the start-up runs.
    const auto calls = Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "1 1");
    EXPECT_EQ(calls[1], "init");

    setenv("VEXA_TEST_DRIVER_SERIAL", "0", 1);
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_EQ(Driver.DeviceSerialNumber(), "N/A");
}

TEST_F(VirtualDriverStartupTest, UnknownResultsGoToDemoModeWithTheirCode) {
    for (const char *result : {"9", "-1"}) {
        SCOPED_TRACE(result);
        Dialogs.Clear();
        Results(result);
        EXPECT_TRUE(Driver.InitializeDriver());
        ASSERT_EQ(Dialogs.Questions().size(), 1u);
        EXPECT_EQ(Dialogs.Questions()[0].text, std::string("Device start-up failed (code ") +
                                                   result +
                                                   "). The program continues in demo mode.");
        EXPECT_EQ(Dialogs.Questions()[0].style, DialogStyle::Error);
        EXPECT_EQ(Dialogs.Questions()[0].buttons, kButtonOk);
        ExpectDemo();
    }
}

TEST_F(VirtualDriverStartupTest, BrokenCalibrationUsesTheDeviceUncalibrated) {
    Results("5");
    EXPECT_TRUE(Driver.InitializeDriver());
    ASSERT_EQ(Dialogs.Texts().size(), 1u);
    EXPECT_EQ(Dialogs.Texts()[0], "Broken calibration data. Please contact the manufacturer.");
    EXPECT_TRUE(Driver.DeviceInitialized());
    EXPECT_FALSE(Driver.DeviceCalibrationOK());
    EXPECT_FALSE(Driver.DemoMode());
    EXPECT_EQ(Driver.DeviceSerialNumber(), "00000001");

    // Uncalibrated, a range change sends its command but moves no level.
    Driver.SetSourceProbeA(1);
    Driver.SetDensityChannelA(4);
    EXPECT_FALSE(Driver.SetBackRequested());
    EXPECT_EQ(Calls().back(), "10 100");
}

TEST_F(VirtualDriverStartupTest, RetryCallsTheSameLibraryAgain) {
    Results("4,3,0");
    Dialogs.Script({kButtonYes, kButtonYes});
    EXPECT_TRUE(Driver.InitializeDriver());
    const auto q = Dialogs.Questions();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].text, "Device initialization failed. Retry?");
    EXPECT_EQ(q[1].text, "Device not present. Retry?");
    for (const auto &each : q) {
        EXPECT_EQ(each.buttons, kButtonYes | kButtonNo | kButtonCancel);
        for (const char *answer : {"Yes tries again", "No continues in demo mode", "Cancel quits"})
            EXPECT_NE(each.detail.find(answer), std::string::npos) << each.detail;
    }
    EXPECT_TRUE(Driver.DeviceInitialized());
    EXPECT_EQ(Driver.DeviceDriverVersion(), "3.7");
    // Three start-ups counted by one load of the library: never reloaded,
    // and the failure byte registered once.
    EXPECT_EQ(Driver.DeviceSerialNumber(), "00000003");
    int registrations = 0;
    for (const auto &c : Calls())
        registrations += c == "1 1";
    EXPECT_EQ(registrations, 1);

    // Unloading and starting again loads afresh.
    Driver.UnloadLibrary();
    EXPECT_FALSE(Driver.LibraryLoaded());
    Results("0");
    Dialogs.Clear();
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_EQ(Driver.DeviceSerialNumber(), "00000001");
}

TEST_F(VirtualDriverStartupTest, RetryQuestionsAnsweredNoOrCancel) {
    for (const char *result : {"3", "4"}) {
        SCOPED_TRACE(result);
        Results(result);
        Dialogs.Clear();
        Dialogs.Script({kButtonNo});
        EXPECT_TRUE(Driver.InitializeDriver());
        ExpectDemo();

        Dialogs.Clear();
        Dialogs.Script({kButtonYes, kButtonCancel});
        TerminateRequests = 0;
        ExpectTerminating(Driver.InitializeDriver());
        EXPECT_EQ(Dialogs.Questions().size(), 2u);
        TerminateRequests = 0;
    }
}

TEST_F(VirtualDriverStartupTest, IncompleteLibraryIsReleasedForDemoMode) {
    for (const char *name : {"libvexatestdrv_noinit.so", "libvexatestdrv_nofunc.so"}) {
        SCOPED_TRACE(name);
        Dialogs.Clear();
        std::remove(LogPath.c_str());
        Use(name);
        EXPECT_TRUE(Driver.InitializeDriver());
        ASSERT_EQ(Dialogs.Questions().size(), 1u);
        EXPECT_EQ(Dialogs.Questions()[0].text, "Driver VexaRMDrv.Dll is missing some function. "
                                               "The program continues in demo mode.");
        ExpectDemo();
        EXPECT_FALSE(Driver.LibraryLoaded());
        EXPECT_TRUE(Calls().empty()); // neither started nor commanded
    }
}

TEST_F(VirtualDriverStartupTest, FailureByteIsRaisedByTheLibraryAndClearedOnStart) {
    setenv("VEXA_TEST_DRIVER_RAISE", "1", 1);
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_TRUE(Driver.USBFailed());
    unsetenv("VEXA_TEST_DRIVER_RAISE");
    Driver.UnloadLibrary();
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_FALSE(Driver.USBFailed());
}

} // namespace
} // namespace vexa
