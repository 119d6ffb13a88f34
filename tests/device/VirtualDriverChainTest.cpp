// The virtual driver on the whole chain: the real driver library loaded from
// the test program's folder, and the simulated device behind it. Register
// writes are read back from the simulator's log.
#include "device/VirtualDriverVexaRM.h"

#include "common/DeviceRegistersVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "tests/support/TestSupport.h"
#include "model/VirtualScopeVexaRM.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <utility>
#include <vector>

namespace vexa {
namespace {

using RegisterWrite = std::pair<int32_t, int32_t>;
using Writes = std::vector<RegisterWrite>;

// The simulator's test controls. The test holds the simulator loaded, so
// the device keeps its state while the driver library is reloaded, as a
// real device does.
struct SimControls {
    void (*Reset)() = nullptr;
    void (*SetInitFailures)(int32_t) = nullptr;
    void (*SetDeviceType)(int32_t) = nullptr;
    void (*SetEepromMode)(int32_t) = nullptr;
    void (*SetUnpaced)(int32_t) = nullptr;
    void (*SetCounterPattern)(int32_t) = nullptr;
    void (*LoseConnectionNow)() = nullptr;
    int32_t (*RegisterLog)(int32_t *, int32_t *, int32_t) = nullptr;
    void (*ClearRegisterLog)() = nullptr;
    int32_t (*ZeroLevel)(int32_t) = nullptr;
    int32_t (*RangeMilliVolts)(int32_t) = nullptr;
    int32_t (*AcCoupled)(int32_t) = nullptr;
};

template <typename F> void Resolve(const TSharedLibraryVexaRM &lib, const char *name, F &f) {
    f = reinterpret_cast<F>(lib.Symbol(name));
    ASSERT_NE(f, nullptr) << name;
}

class VirtualDriverChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("VEXA_USB_LIBRARY");
        ASSERT_TRUE(Sim.Load(test::BinDir() + "/libvexausb.so")) << Sim.ErrorText();
        Resolve(Sim, "SimReset", C.Reset);
        Resolve(Sim, "SimSetInitFailures", C.SetInitFailures);
        Resolve(Sim, "SimSetDeviceType", C.SetDeviceType);
        Resolve(Sim, "SimSetEepromMode", C.SetEepromMode);
        Resolve(Sim, "SimSetUnpaced", C.SetUnpaced);
        Resolve(Sim, "SimSetCounterPattern", C.SetCounterPattern);
        Resolve(Sim, "SimLoseConnectionNow", C.LoseConnectionNow);
        Resolve(Sim, "SimRegisterLog", C.RegisterLog);
        Resolve(Sim, "SimClearRegisterLog", C.ClearRegisterLog);
        Resolve(Sim, "SimZeroLevel", C.ZeroLevel);
        Resolve(Sim, "SimRangeMilliVolts", C.RangeMilliVolts);
        Resolve(Sim, "SimAcCoupled", C.AcCoupled);
        C.Reset();
        Driver.SetDialogs(&Dialogs);
        Driver.SetDescriptionAddress(Description);
        Driver.SetTerminateHandler([this] { ++TerminateRequests; });
    }
    void TearDown() override {
        Driver.UnloadLibrary();
        unsetenv("VEXA_USB_LIBRARY");
    }
    void Start() {
        ASSERT_TRUE(Driver.InitializeDriver());
        ASSERT_TRUE(Driver.DeviceInitialized());
        ASSERT_FALSE(Driver.DemoMode());
        C.ClearRegisterLog();
    }
    // The register writes since the last look.
    Writes NewWrites() {
        std::vector<int32_t> regs(4096), values(4096);
        const int32_t n = C.RegisterLog(regs.data(), values.data(), 4096);
        Writes w;
        for (int32_t i = 0; i < n && i < 4096; ++i)
            w.emplace_back(regs[static_cast<size_t>(i)], values[static_cast<size_t>(i)]);
        C.ClearRegisterLog();
        return w;
    }
    static bool Wrote(const Writes &w, int32_t reg) {
        for (const auto &each : w)
            if (each.first == reg) return true;
        return false;
    }
    static int32_t LastValue(const Writes &w, int32_t reg) {
        int32_t v = -1;
        for (const auto &each : w)
            if (each.first == reg) v = each.second;
        return v;
    }

    TSharedLibraryVexaRM Sim;
    SimControls C;
    test::ScriptedDialogs Dialogs;
    uint8_t Description[240] = {};
    int TerminateRequests = 0;
    TVirtualDriverVexaRM Driver;
};

TEST_F(VirtualDriverChainTest, LoadsTheLibraryBesideTheProgramAndStartsTheDevice) {
    // By default the library is looked for in the program's own folder.
    EXPECT_EQ(Driver.LibraryPath(), test::BinDir() + "/libvexarmdrv.so");
    ASSERT_TRUE(Driver.InitializeDriver());
    EXPECT_TRUE(Dialogs.Questions().empty());
    EXPECT_TRUE(Driver.DeviceInitialized());
    EXPECT_TRUE(Driver.DeviceCalibrationOK());
    EXPECT_FALSE(Driver.DemoMode());
    EXPECT_EQ(Driver.DeviceDriverVersion(), "1.1");
    EXPECT_EQ(Driver.USBDriverVersion(), "1.03");
    EXPECT_EQ(Driver.DeviceSerialNumber(), "20261208");
    EXPECT_EQ(Description[kDeviceDescriptionTypeOffset], 1); // the simulated type
    EXPECT_EQ(Description[0], 9);                            // nine ranges
    EXPECT_FALSE(Driver.USBFailed());

    // Handed the scope model's area, the start-up fills the model's record.
    TVirtualScopeVexaRM scope;
    Driver.UnloadLibrary();
    C.SetDeviceType(4);
    Driver.SetDescriptionAddress(scope.DeviceDescription());
    ASSERT_TRUE(Driver.InitializeDriver());
    EXPECT_EQ(scope.DeviceType(), 4);
}

TEST_F(VirtualDriverChainTest, StartupResultsOfTheRealLibrary) {
    // No device twice, then it answers: two retries in the same load.
    C.SetInitFailures(2);
    Dialogs.Script({kButtonYes, kButtonYes});
    ASSERT_TRUE(Driver.InitializeDriver());
    EXPECT_EQ(Dialogs.Texts(), (std::vector<std::string>{"Device not present. Retry?",
                                                         "Device not present. Retry?"}));
    EXPECT_TRUE(Driver.DeviceInitialized());
    EXPECT_EQ(Driver.DeviceSerialNumber(), "20261208");

    // No device at all; the operator quits.
    Driver.UnloadLibrary();
    C.SetInitFailures(-1);
    Dialogs.Clear();
    Dialogs.Script({kButtonCancel});
    EXPECT_FALSE(Driver.InitializeDriver());
    EXPECT_TRUE(Driver.TerminateApplication());
    EXPECT_EQ(TerminateRequests, 1);

    // A broken calibration record: the library stays not ready (result 6).
    Driver.UnloadLibrary();
    C.Reset();
    C.SetEepromMode(1);
    Dialogs.Clear();
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_EQ(
        Dialogs.Texts(),
        std::vector<std::string>{"The device cannot be used. The program continues in demo mode."});
    EXPECT_TRUE(Driver.DemoMode());
    EXPECT_EQ(Driver.DeviceSerialNumber(), "N/A");

    // The transport cannot be loaded (result 1).
    Driver.UnloadLibrary();
    C.Reset();
    setenv("VEXA_USB_LIBRARY", "libvexa_no_such_transport.so", 1);
    Dialogs.Clear();
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_EQ(Dialogs.Texts(), std::vector<std::string>{"The vexausb drivers are not installed"});
    EXPECT_TRUE(Driver.DemoMode());

    // A transport without the entry points (result 7).
    Driver.UnloadLibrary();
    setenv("VEXA_USB_LIBRARY", "libvexatestdrv_full.so", 1);
    Dialogs.Clear();
    EXPECT_TRUE(Driver.InitializeDriver());
    EXPECT_EQ(Dialogs.Texts(),
              std::vector<std::string>{
                  "USB driver is missing some function. Please install newest USB driver"});
    EXPECT_TRUE(Driver.DemoMode());
    EXPECT_FALSE(Driver.TerminateApplication());
}

TEST_F(VirtualDriverChainTest, SettersProgramTheDeviceRegisters) {
    Start();
    Driver.SetSMPSetting(10);
    EXPECT_EQ(NewWrites(), (Writes{{kRegRun, 5}})); // rate code 15 - 10, stopped

    // Every setting starts at zero or false in the driver, so each value
    // below is a change. 1:10 probe and 2000 mV/div at the tip: the device
    // gets 200 mV/div, and the level is set back to the position the
    // library answers.
    Driver.SetSourceProbeA(2);
    Driver.SetDensityChannelA(5);
    Writes w = NewWrites();
    EXPECT_EQ(C.RangeMilliVolts(0), 200);
    EXPECT_TRUE(Wrote(w, kRegGainA));
    EXPECT_TRUE(Wrote(w, kRegControl));
    EXPECT_EQ(LastValue(w, kRegPositionA), Driver.VerticalLevelChannelA());
    EXPECT_TRUE(Driver.SetBackRequested());
    EXPECT_EQ(Driver.ZeroChannelA(), C.ZeroLevel(0));
    Driver.SetSourceProbeB(1);
    Driver.SetDensityChannelB(1);
    NewWrites();
    EXPECT_EQ(C.RangeMilliVolts(1), 10);

    // Positions: the device receives 4095 - level; the zero level comes back.
    Driver.SetVerticalLevelChannelA(1000);
    EXPECT_EQ(NewWrites(), (Writes{{kRegPositionA, 3095}}));
    EXPECT_EQ(Driver.ZeroChannelA(), C.ZeroLevel(0));
    Driver.SetVerticalLevelChannelB(0);
    EXPECT_EQ(NewWrites(), (Writes{{kRegPositionB, 4095}}));
    EXPECT_EQ(Driver.ZeroChannelB(), C.ZeroLevel(1));

    // Coupling: true is DC.
    Driver.SetSourceACDC_A(true);
    EXPECT_EQ(C.AcCoupled(0), 0);
    Driver.SetSourceACDC_A(false);
    EXPECT_EQ(C.AcCoupled(0), 1);
    Driver.SetSourceACDC_A(true);
    EXPECT_EQ(C.AcCoupled(0), 0);
    w = NewWrites();
    EXPECT_EQ(w.size(), 3u);
    EXPECT_EQ(LastValue(w, kRegControl), w.front().second);

    // External ARM source and direction share kRegExternalArm (0x24 after start-up).
    Driver.SetARMUnderExternal(true);
    Driver.SetARMUnderExternal(false);
    Driver.SetARMSourceExternal(true);
    Driver.SetARMSourceExternal(false);
    EXPECT_EQ(NewWrites(), (Writes{{kRegExternalArm, 0x24},
                                   {kRegExternalArm, 0x04},
                                   {kRegExternalArm, 0x04},
                                   {kRegExternalArm, 0x00}}));

    // Start and stop: run bit in kRegRun, kRegControl without and with 0x8000.
    Driver.SetMeasurementStarted(true);
    w = NewWrites();
    EXPECT_EQ(LastValue(w, kRegRun), 0x8005);
    const int32_t control = LastValue(w, kRegControl);
    Driver.SetMeasurementStarted(false);
    w = NewWrites();
    EXPECT_EQ(LastValue(w, kRegRun), 5);
    EXPECT_EQ(LastValue(w, kRegControl), control + 0x8000);

    // Forced mirroring writes the same registers again.
    Driver.SetForceSettings(true);
    Driver.SetSMPSetting(10);
    Driver.SetVerticalLevelChannelB(0);
    Driver.SetSourceACDC_A(true);
    EXPECT_EQ(NewWrites(), (Writes{{kRegRun, 5}, {kRegPositionB, 4095}, {kRegControl, control}}));
    Driver.SetForceSettings(false);
    Driver.SetSMPSetting(10);
    Driver.SetVerticalLevelChannelB(0);
    EXPECT_EQ(NewWrites(), Writes{});
}

TEST_F(VirtualDriverChainTest, DemoModeWritesNoRegister) {
    C.SetInitFailures(-1);
    Dialogs.Script({kButtonNo});
    ASSERT_TRUE(Driver.InitializeDriver());
    ASSERT_TRUE(Driver.DemoMode());
    C.ClearRegisterLog();
    Driver.SetForceSettings(true);
    Driver.SetSMPSetting(3);
    Driver.SetVerticalLevelChannelA(10);
    Driver.SetSourceProbeB(3);
    Driver.SetDensityChannelB(5);
    Driver.SetSourceACDC_A(false);
    Driver.SetARMSourceExternal(true);
    Driver.SetMeasurementStarted(true);
    EXPECT_EQ(NewWrites(), Writes{});
}

TEST_F(VirtualDriverChainTest, ReadsBlocksAndNeverAStaleCount) {
    Start();
    std::vector<uint16_t> block(kMaxBlockWords, 0);
    // Not running: the library leaves its result alone; the count is 0.
    int32_t count = 4711;
    EXPECT_EQ(Driver.ReadBlock(block.data(), count), 0);
    EXPECT_EQ(count, 0);

    C.SetUnpaced(1);
    C.SetCounterPattern(1);
    Driver.SetRecordFree(true);
    Driver.SetMeasurementStarted(true);
    count = 0;
    const uint8_t status = Driver.ReadBlock(block.data(), count);
    EXPECT_NE(status, 0);
    ASSERT_GT(count, 0);
    ASSERT_LE(count, kMaxBlockWords);
    for (int32_t i = 0; i < count; ++i)
        ASSERT_GE(block[static_cast<size_t>(i)], kReservedWordLimit) << i;
    Driver.SetMeasurementStarted(false);

    // Stopped again after a reload: no stale count from the last block.
    Driver.UnloadLibrary();
    ASSERT_TRUE(Driver.InitializeDriver());
    count = 4711;
    EXPECT_EQ(Driver.ReadBlock(block.data(), count), 0);
    EXPECT_EQ(count, 0);
}

TEST_F(VirtualDriverChainTest, LostDeviceRaisesTheFailureByteAndAReloadRecovers) {
    Start();
    C.LoseConnectionNow();
    EXPECT_TRUE(Driver.USBFailed());
    // Commands meanwhile are sent and not examined; nothing breaks.
    Driver.SetSMPSetting(7);
    Driver.UnloadLibrary();
    // Released, the device still marked initialised: nothing calls into
    // the released library, and a read delivers nothing and ends.
    C.ClearRegisterLog();
    Driver.SetSMPSetting(8);
    std::vector<uint16_t> block(kMaxBlockWords, 0);
    int32_t count = 4711;
    EXPECT_EQ(Driver.ReadBlock(block.data(), count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(NewWrites(), Writes{});
    ASSERT_TRUE(Driver.InitializeDriver());
    EXPECT_FALSE(Driver.USBFailed());
    EXPECT_TRUE(Driver.DeviceInitialized());
    EXPECT_TRUE(Dialogs.Questions().empty());
}

} // namespace
} // namespace vexa

namespace vexa {
namespace {

// Only the driver library holds the simulated device here, as in the
// program. The device stays in the process once loaded, as a real device
// stays connected while the driver library is unloaded and loaded again: a
// device that needs two more attempts comes up on the third, and after a
// reload it does not start counting its failures afresh.
TEST(VirtualDriverChain, TheDeviceKeepsItsStateWhileTheDriverLibraryIsReloaded) {
    const std::string path = test::BinDir() + "/libvexausb.so";
    auto resetSim = [&] {
        // Loaded by an earlier test of this program: it reads the
        // environment anew.
        if (void *sim = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            if (auto reset = reinterpret_cast<void (*)()>(dlsym(sim, "SimReset"))) reset();
            dlclose(sim);
        }
    };
    unsetenv("VEXA_USB_LIBRARY");
    setenv("VEXA_SIM_INIT_FAILURES", "2", 1);
    resetSim();
    test::ScriptedDialogs dialogs;
    dialogs.Script({kButtonYes, kButtonYes});
    TVirtualDriverVexaRM driver;
    driver.SetDialogs(&dialogs);
    EXPECT_TRUE(driver.InitializeDriver());
    EXPECT_TRUE(driver.DeviceInitialized());
    EXPECT_EQ(dialogs.Texts().size(), 2u);
    driver.UnloadLibrary();
    dialogs.Clear();
    EXPECT_TRUE(driver.InitializeDriver());
    EXPECT_TRUE(driver.DeviceInitialized()) << "the failures were used up";
    EXPECT_TRUE(dialogs.Texts().empty());
    driver.UnloadLibrary();
    unsetenv("VEXA_SIM_INIT_FAILURES");
    resetSim();
}

} // namespace
} // namespace vexa
