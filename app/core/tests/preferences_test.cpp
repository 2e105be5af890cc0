#include "core/preferences.h"

#include <gtest/gtest.h>

#include "fakestore.h"

namespace varnook {
namespace {

TEST(Val, LeadingNumericPart) {
    EXPECT_EQ(Val("45"), 45);
    EXPECT_EQ(Val("  7 "), 7);
    EXPECT_EQ(Val(" 1"), 1);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("12abc"), 12);
    EXPECT_EQ(Val("-5"), -5);
    EXPECT_EQ(Val("2.5e1x"), 25);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("1e"), 1);
}

TEST(Val, RoundsTiesToEven) {
    EXPECT_EQ(RoundHalfEven(30.5), 30);
    EXPECT_EQ(RoundHalfEven(31.5), 32);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(1e300), static_cast<int64_t>(9.2e18));
}

TEST(LoadPreferences, NoKeyGivesTheDefaults) {
    FakeStore store;
    store.keyExists = false;
    const Preferences p = LoadPreferences(store, "/opt/vnk/bin");
    EXPECT_EQ(p.AutoUpdateServerInterval, 30);
    EXPECT_EQ(p.AutoUpdateDrivesInterval, 30);
    EXPECT_EQ(p.AutoUpdateUsersInterval, 30);
    EXPECT_EQ(p.AutoUpdateServerStatus, 0);
    EXPECT_EQ(p.AutoUpdateDrivesStatus, 0);
    EXPECT_EQ(p.AutoUpdateUsersStatus, 0);
    EXPECT_EQ(p.LogInfoToFile, 0);
    EXPECT_EQ(p.OutputLogFileName, "/opt/vnk/bin/varnook output.log");
    EXPECT_EQ(LoadPreferences(store, "/").OutputLogFileName, "/varnook output.log");
}

TEST(LoadPreferences, StoredValues) {
    FakeStore store;
    store.values = {{"AutoUpdateServerInterval", "45"},  {"AutoUpdateServerStatus", " 1"},
                    {"AutoUpdateDrivesInterval", "abc"}, {"AutoUpdateDrivesStatus", "7"},
                    {"AutoUpdateUsersInterval", "12.5"}, {"AutoUpdateUsersStatus", "0"},
                    {"OutputLogFileName", "/tmp/x.log"}, {"LogInfoToFile", "1"}};
    const Preferences p = LoadPreferences(store, "/opt");
    EXPECT_EQ(p.AutoUpdateServerInterval, 45);
    EXPECT_EQ(p.AutoUpdateServerStatus, 255);
    EXPECT_EQ(p.AutoUpdateDrivesInterval, 0);
    EXPECT_EQ(p.AutoUpdateDrivesStatus, 255);
    EXPECT_EQ(p.AutoUpdateUsersInterval, 12);
    EXPECT_EQ(p.AutoUpdateUsersStatus, 0);
    EXPECT_EQ(p.OutputLogFileName, "/tmp/x.log");
    EXPECT_EQ(p.LogInfoToFile, 1);

    const TimerSetting server = TimerFor(p.AutoUpdateServerInterval, p.AutoUpdateServerStatus);
    EXPECT_EQ(server.intervalMs, 45000);
    EXPECT_TRUE(server.enabled);
    // "abc" reads as 0: that timer never runs, even with its switch on.
    EXPECT_FALSE(TimerFor(p.AutoUpdateDrivesInterval, p.AutoUpdateDrivesStatus).enabled);
}

TEST(LoadPreferences, ValuesThatDoNotFitAreClamped) {
    FakeStore store;
    store.values = {{"AutoUpdateServerInterval", "99999"}, {"AutoUpdateDrivesInterval", "-5"},
                    {"AutoUpdateUsersInterval", "300"},    {"LogInfoToFile", "300"},
                    {"AutoUpdateServerStatus", "-5"},      {"OutputLogFileName", ""},
                    {"AutoUpdateUsersStatus", ""}};
    const Preferences p = LoadPreferences(store, "/opt");
    EXPECT_EQ(p.AutoUpdateServerInterval, 60);
    EXPECT_EQ(p.AutoUpdateDrivesInterval, 0);
    EXPECT_EQ(p.AutoUpdateUsersInterval, 60);
    EXPECT_EQ(p.LogInfoToFile, 255);
    EXPECT_EQ(p.AutoUpdateServerStatus, 255);
    EXPECT_EQ(p.AutoUpdateUsersStatus, 0);
    EXPECT_EQ(p.OutputLogFileName, "/opt/varnook output.log");
}

TEST(LoadPreferences, AnyNonZeroLogSwitchIsOn) {
    FakeStore store;
    // Numbers that do not fit the flag are on as 255; those that fit keep their value.
    for (const auto& [text, flag] : std::vector<std::pair<std::string, int>>{
             {"-1", 255}, {"-300", 255}, {"1e9", 255}, {"7", 7}, {"0", 0}, {"abc", 0}}) {
        store.values = {{"LogInfoToFile", text}};
        EXPECT_EQ(LoadPreferences(store, "/opt").LogInfoToFile, flag) << text;
    }
}

TEST(LoadPreferences, ALogPathOf254CharactersReadsBack) {
    FakeStore store;
    const std::string longest(kMaxLogFileNameLength, 'x');
    store.values = {{"OutputLogFileName", longest}};
    EXPECT_EQ(LoadPreferences(store, "/opt").OutputLogFileName, longest);
    EXPECT_EQ(LoadPreferences(store, "/opt").OutputLogFileNote, "");
    store.values = {{"OutputLogFileName", longest + "y"}};
    EXPECT_EQ(LoadPreferences(store, "/opt").OutputLogFileName, "/opt/varnook output.log");
}

TEST(LoadPreferences, AStoredLogPathNotInForceSaysWhy) {
    FakeStore store;
    store.values = {{"OutputLogFileName", ""}};
    Preferences p = LoadPreferences(store, "/opt");
    EXPECT_EQ(p.OutputLogFileName, "/opt/varnook output.log");
    EXPECT_EQ(p.OutputLogFileNote,
              "The log file name is empty: output is logged to /opt/varnook output.log.");
    store.values = {{"OutputLogFileName", std::string(255, 'x')}};
    p = LoadPreferences(store, "/opt");
    EXPECT_EQ(p.OutputLogFileName, "/opt/varnook output.log");
    EXPECT_EQ(p.OutputLogFileNote,
              "The stored log file name cannot be read (it is missing, or 255 characters or "
              "longer): output is logged to /opt/varnook output.log.");
    // A name typed into the preferences window goes the same way.
    EXPECT_EQ(ChooseOutputLog("", "/opt").path, "/opt/varnook output.log");
    EXPECT_EQ(ChooseOutputLog("/var/log/v.log", "/opt").path, "/var/log/v.log");
    EXPECT_EQ(ChooseOutputLog("/var/log/v.log", "/opt").note, "");
}

TEST(TimerFor, NeverAnIntervalTheTimerCannotTake) {
    EXPECT_FALSE(TimerFor(0, 255).enabled);
    EXPECT_EQ(TimerFor(0, 255).intervalMs, 0);
    EXPECT_FALSE(TimerFor(-3, 1).enabled);
    EXPECT_FALSE(TimerFor(30, 0).enabled);
    EXPECT_EQ(TimerFor(30, 0).intervalMs, 30000);
    EXPECT_EQ(TimerFor(32767, 1).intervalMs, 65000);
    EXPECT_EQ(TimerFor(1, 1).intervalMs, 1000);
}

TEST(PreferenceWrites, StoredFormsAndOrder) {
    Preferences p;
    p.AutoUpdateServerStatus = 1;
    p.AutoUpdateDrivesStatus = 255;
    p.AutoUpdateUsersStatus = 0;
    p.AutoUpdateServerInterval = 15;
    p.OutputLogFileName = "/tmp/o.log";
    p.LogInfoToFile = 1;
    const auto writes = PreferenceWrites(p);
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_EQ(writes[0].name, "AutoUpdateServerStatus");
    EXPECT_EQ(writes[0].text, " 1");
    EXPECT_EQ(writes[1].text, "15");
    EXPECT_EQ(writes[2].text, "1");
    EXPECT_EQ(writes[4].text, "0");
    EXPECT_EQ(writes[6].text, "/tmp/o.log");
    EXPECT_EQ(writes[7].text, "1");
    EXPECT_EQ(writes[7].failureMessage, "");

    FakeStore store;
    for (const auto& w : writes) {
        EXPECT_EQ(WritePreference(store, w), 0);
    }
    EXPECT_EQ(store.values["AutoUpdateServerStatus"], " 1");
    EXPECT_EQ(LoadPreferences(store, "/x").AutoUpdateServerInterval, 15);
}

TEST(ClampWindowInterval, OneToSixty) {
    EXPECT_EQ(ClampWindowInterval(75), 60);
    EXPECT_EQ(ClampWindowInterval(0), 1);
    EXPECT_EQ(ClampWindowInterval(-4), 1);
    EXPECT_EQ(ClampWindowInterval(42), 42);
}

}  // namespace
}  // namespace varnook
