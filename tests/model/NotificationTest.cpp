// Notification passes, listener registration and the binder base.
#include "model/VirtualScopeVexaRM.h"
#include "model/WrapperComponentVexaRM.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vexa;

namespace {

// Every delivery as "name:kind:sender".
using Log = std::vector<std::string>;

class LoggingBinder : public TWrapperComponentVexaRM {
public:
    LoggingBinder(std::string name, int32_t group, Log &log) : Name(std::move(name)), Out(log) {
        SetControlGroup(group);
    }
    void ScopeNotification(int32_t kind, const int32_t &sender) override {
        Out.push_back(Name + ":" + std::to_string(kind) + ":" + std::to_string(sender));
        TWrapperComponentVexaRM::ScopeNotification(kind, sender);
        if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
        if (Extra) Extra(kind);
    }
    void UpdateControls() override { ++Updates; }
    std::string Name;
    Log &Out;
    int Updates = 0;
    std::function<void(int32_t)> Extra;
};

// A listener that is no binder and ignores kind 3.
class Stubborn : public IScopeListenerVexaRM {
public:
    void OnScopeNotification(int32_t kind, const int32_t &) override { Kinds.push_back(kind); }
    std::vector<int32_t> Kinds;
};

struct Armed : ::testing::Test {
    Armed() { scope.SetNotifyEnabled(true); }
    TVirtualScopeVexaRM scope;
    Log log;
};

} // namespace

TEST(Notification, FirstNotifyBeforeStartOnlyArms) {
    TVirtualScopeVexaRM scope;
    Log log;
    LoggingBinder b("b", 7, log);
    b.SetVirtualScope(&scope);
    scope.Notify(kNotifyResized, kGroupMainWindow);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(scope.NotifyEnabled());
    scope.Notify(kNotifyResized, kGroupMainWindow);
    EXPECT_EQ(log, Log({"b:5:13"}));
    b.SetVirtualScope(nullptr); // does not unregister
    EXPECT_EQ(scope.Listeners().size(), 1u);
    scope.UnregisterListener(&b);
}

TEST_F(Armed, EveryListenerGetsEveryGroupInRegistrationOrder) {
    LoggingBinder first("first", 7, log), second("second", 1, log);
    first.SetVirtualScope(&scope);
    second.SetVirtualScope(&scope);
    ASSERT_EQ(scope.Listeners().size(), 2u);
    EXPECT_EQ(scope.Listeners()[0].Group, 7);
    EXPECT_EQ(scope.Listeners()[1].Group, 1);
    scope.Notify(kNotifySettingsChanged, kGroupSource);
    EXPECT_EQ(log, Log({"first:2:3", "second:2:3"}));
    EXPECT_EQ(first.Updates, 1);
    EXPECT_TRUE(scope.NotifyEnabled());
}

TEST_F(Armed, DetachGoesBackwardsAndEmptiesTheList) {
    LoggingBinder a("a", 1, log), b("b", 2, log), c("c", 3, log);
    a.SetVirtualScope(&scope);
    b.SetVirtualScope(&scope);
    c.SetVirtualScope(&scope);
    scope.Notify(kNotifyDetach, kGroupSystem);
    EXPECT_EQ(log, Log({"c:3:255", "b:3:255", "a:3:255"}));
    EXPECT_TRUE(scope.Listeners().empty());
    EXPECT_EQ(a.VirtualScope(), nullptr);
    scope.Notify(kNotifySettingsChanged, kGroupInformation); // nobody left
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(Armed, UnregisterRemovesOnlyTheFirstMatch) {
    LoggingBinder a("a", 1, log), b("b", 2, log);
    a.SetVirtualScope(&scope);
    b.SetVirtualScope(&scope);
    a.SetVirtualScope(&scope); // registered twice: refreshes twice
    scope.Notify(kNotifySettingsChanged, kGroupRecord);
    EXPECT_EQ(log, Log({"a:2:9", "b:2:9", "a:2:9"}));
    EXPECT_EQ(a.Updates, 2);

    Stubborn stranger;
    scope.UnregisterListener(&stranger); // not registered: unchanged
    ASSERT_EQ(scope.Listeners().size(), 3u);
    scope.UnregisterListener(&a);
    ASSERT_EQ(scope.Listeners().size(), 2u);
    EXPECT_EQ(scope.Listeners()[0].Listener, &b);
    EXPECT_EQ(scope.Listeners()[1].Listener, &a);
    scope.UnregisterListener(&a);
    scope.UnregisterListener(&b);
    EXPECT_TRUE(scope.Listeners().empty());
}

TEST_F(Armed, NestedNotifyFirstDropsThenDeliversAFullPass) {
    LoggingBinder a("a", 1, log), b("b", 2, log);
    a.SetVirtualScope(&scope);
    b.SetVirtualScope(&scope);
    int nested = 0;
    a.Extra = [&](int32_t kind) {
        if (kind == kNotifyResized && nested++ == 0) {
            scope.Notify(kNotifyGridChanged, kGroupMode);      // dropped, re-arms
            scope.Notify(kNotifyRollModeSelected, kGroupMode); // delivered at once
        }
    };
    scope.Notify(kNotifyResized, kGroupMainWindow);
    EXPECT_EQ(log, Log({"a:5:13", "a:11:11", "b:11:11", "b:5:13"}));
    EXPECT_TRUE(scope.NotifyEnabled());
    scope.UnregisterListener(&a);
    scope.UnregisterListener(&b);
}

TEST_F(Armed, ListenerThatNeverDetachesCannotHangShutdown) {
    LoggingBinder a("a", 1, log);
    Stubborn stubborn;
    a.SetVirtualScope(&scope);
    scope.RegisterListener(kGroupRecord, &stubborn);
    scope.Notify(kNotifyDetach, kGroupSystem);
    EXPECT_EQ(stubborn.Kinds, std::vector<int32_t>({kNotifyDetach}));
    EXPECT_EQ(log, Log({"a:3:255"}));
    EXPECT_TRUE(scope.Listeners().empty());
}

TEST_F(Armed, UnregisteringDuringAPassDoesNotReadPastTheList) {
    LoggingBinder a("a", 1, log), b("b", 2, log);
    a.SetVirtualScope(&scope);
    b.SetVirtualScope(&scope);
    a.Extra = [&](int32_t) { scope.UnregisterListener(&b); };
    scope.Notify(kNotifySettingsChanged, kGroupInformation);
    EXPECT_EQ(log, Log({"a:2:1"}));
    scope.UnregisterListener(&a);
}

TEST(Notification, BinderUnregistersWhenDestroyed) {
    TVirtualScopeVexaRM scope;
    Log log;
    LoggingBinder keep("keep", 1, log);
    keep.SetVirtualScope(&scope);
    {
        LoggingBinder gone("gone", 2, log);
        gone.SetVirtualScope(&scope);
        EXPECT_EQ(scope.Listeners().size(), 2u);
    }
    ASSERT_EQ(scope.Listeners().size(), 1u);
    EXPECT_EQ(scope.Listeners()[0].Listener, &keep);
    scope.UnregisterListener(&keep);
}

// The main window's components in their registration order, with their
// groups; start-up and shutdown as the program runs them.
TEST(Notification, MainWindowStartAndStopOrder) {
    struct Component {
        const char *name;
        int32_t group;
    };
    const Component loadOrder[] = {
        {"RollingDisplay", 17},   {"EkgDisplay", 16},      {"VerticalShifts", 4},
        {"SourceControls", 3},    {"DensityControls", 2},  {"InformationPanelB", 1},
        {"InformationPanelA", 1}, {"FlowManager", 5},      {"ChannelControls", 6},
        {"TriggerControls", 8},   {"OpenSaveControls", 7}, {"MeasurementRecordControls", 9},
        {"Settings", 10},         {"ModeDisplay", 11},     {"SweepControls", 12},
        {"TimeBaseControls", 14}, {"DataSource", 16},      {"ArmControls", 18},
        {"MainForm", 13},
    };
    TVirtualScopeVexaRM scope;
    scope.ApplyStoredValues();
    Log log;
    std::vector<std::unique_ptr<LoggingBinder>> parts;
    for (const Component &c : loadOrder) {
        parts.push_back(std::make_unique<LoggingBinder>(c.name, c.group, log));
        parts.back()->SetVirtualScope(&scope);
    }
    ASSERT_EQ(scope.Listeners().size(), 19u);
    for (size_t i = 0; i < parts.size(); ++i)
        EXPECT_EQ(scope.Listeners()[i].Group, loadOrder[i].group);

    bool initialisedDuringStart = true;
    parts[0]->Extra = [&](int32_t kind) {
        if (kind == kNotifyInitialized) initialisedDuringStart = scope.ApplicationInitialized();
    };
    scope.Notify(kNotifyResized, kGroupMainWindow); // layout pass before start: dropped
    EXPECT_TRUE(log.empty());
    scope.StartApplication();
    EXPECT_TRUE(scope.ApplicationInitialized());
    EXPECT_FALSE(initialisedDuringStart); // set only after notification 1
    ASSERT_EQ(log.size(), 38u);
    for (size_t i = 0; i < 19; ++i) {
        EXPECT_EQ(log[i], std::string(loadOrder[i].name) + ":6:255");
        EXPECT_EQ(log[19 + i], std::string(loadOrder[i].name) + ":1:255");
    }

    log.clear();
    scope.SetMeasurementStarted(true);
    scope.StopApplication();
    EXPECT_FALSE(scope.MeasurementStarted());
    ASSERT_EQ(log.size(), 38u);
    const char *detachOrder[] = {
        "MainForm",          "ArmControls",       "DataSource",      "TimeBaseControls",
        "SweepControls",     "ModeDisplay",       "Settings",        "MeasurementRecordControls",
        "OpenSaveControls",  "TriggerControls",   "ChannelControls", "FlowManager",
        "InformationPanelA", "InformationPanelB", "DensityControls", "SourceControls",
        "VerticalShifts",    "EkgDisplay",        "RollingDisplay"};
    for (size_t i = 0; i < 19; ++i) {
        EXPECT_EQ(log[i], std::string(loadOrder[i].name) + ":2:255");
        EXPECT_EQ(log[19 + i], std::string(detachOrder[i]) + ":3:255");
    }
    EXPECT_TRUE(scope.Listeners().empty());
    for (auto &p : parts)
        EXPECT_EQ(p->VirtualScope(), nullptr);
}
