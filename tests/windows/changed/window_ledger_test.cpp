// The ledger's recordings and its stored form, shared with other instances of the
// program through one defaults file.

#include "windows/changed/window_ledger.h"

#include <gtest/gtest.h>

#include "platform/defaults/file_user_defaults.h"
#include "platform/runtime/main_loop.h"
#include "tests/support/temp_folder.h"

namespace furlpane {
namespace {

using platform::plist::Array;
using platform::plist::Dictionary;
using platform::plist::Value;

const LedgerEntry kMinimized{7, 501, LedgerEntry::Minimized{}};
const LedgerEntry kCollapsed{8, 502, LedgerEntry::Collapsed{600, 22}};

class WindowLedgerTest : public ::testing::Test {
protected:
    platform::MainLoop loop{platform::ClockKind::simulated};
    furlpane_test::TempFolder folder;
    std::unique_ptr<platform::FileUserDefaults> defaults =
        platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
    WindowLedger ledger{*defaults, 812};

    // What another process reading the file finds under "ChangedWindows".
    std::optional<Value> stored() const {
        auto reread = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
        return reread->storedObject(WindowLedger::kDefaultsKey);
    }
};

TEST_F(WindowLedgerTest, EachInstanceKeepsItsOwnListAndLeavesTheOthersAlone) {
    const Value other(Array{kCollapsed.encoded()});
    defaults->set(WindowLedger::kDefaultsKey, Dictionary{{"900", other}});
    ledger.record(kMinimized);
    EXPECT_EQ(stored(), Value(Dictionary{{"900", other}, {"812", Array{kMinimized.encoded()}}}));
    EXPECT_EQ(*kMinimized.encoded().find("Change"), Value("Minimized"));

    ledger.forget(kMinimized.id);
    EXPECT_EQ(stored(), Value(Dictionary{{"900", other}}));
    defaults->remove(WindowLedger::kDefaultsKey);
    ledger.record(kMinimized);
    ledger.forget(kMinimized.id);
    // With nobody's list left the key goes.
    EXPECT_FALSE(stored());
}

TEST_F(WindowLedgerTest, AListAnEarlierProcessLeftUnderTheSameIdentifierIsReplaced) {
    defaults->set(WindowLedger::kDefaultsKey, Dictionary{{"812", Array{kCollapsed.encoded()}}});
    ledger.forget(99);
    EXPECT_FALSE(stored());
}

TEST_F(WindowLedgerTest, OnlyTheCurrentRecordingOfAWindowForgetsIt) {
    EXPECT_FALSE(ledger.recording(kMinimized.id));
    ledger.record(kMinimized);
    const auto first = ledger.recording(kMinimized.id);
    ledger.record(kMinimized);
    const auto second = ledger.recording(kMinimized.id);
    ASSERT_TRUE(first && second);
    EXPECT_GT(*second, *first);
    EXPECT_EQ(ledger.entries().size(), 1u);

    ledger.forgetIfCurrent(kMinimized.id, *first);
    EXPECT_EQ(ledger.recording(kMinimized.id), second);
    ledger.forgetIfCurrent(kMinimized.id, *second);
    EXPECT_FALSE(ledger.recording(kMinimized.id));
    EXPECT_FALSE(stored());
}

TEST_F(WindowLedgerTest, StoredEntriesDecodeOnlyWhenWhole) {
    const auto entry = [](Dictionary d) { return LedgerEntry::decode(Value(std::move(d))); };
    const Dictionary minimized{{"WindowID", 7}, {"ProcessID", 501}, {"Change", "Minimized"}};
    EXPECT_EQ(entry(minimized), kMinimized);
    EXPECT_EQ(LedgerEntry::decode(Value(kCollapsed.encoded())), kCollapsed);
    EXPECT_EQ(entry({{"WindowID", int64_t{4294967295}}, {"ProcessID", 1}, {"Change", "Collapsed"}, {"Height", 30.0},
                     {"CollapsedHeight", "tall"}}),
              (LedgerEntry{4294967295u, 1, LedgerEntry::Collapsed{30, std::nullopt}}));

    const struct {
        const char* what;
        Dictionary stored;
    } refused[] = {
        {"process 0", {{"WindowID", 7}, {"ProcessID", 0}, {"Change", "Minimized"}}},
        {"negative window", {{"WindowID", -1}, {"ProcessID", 501}, {"Change", "Minimized"}}},
        {"window past 32 bits", {{"WindowID", int64_t{4294967296}}, {"ProcessID", 501}, {"Change", "Minimized"}}},
        {"process past 31 bits", {{"WindowID", 7}, {"ProcessID", int64_t{2147483648}}, {"Change", "Minimized"}}},
        {"other change", {{"WindowID", 7}, {"ProcessID", 501}, {"Change", "Hidden"}}},
        {"collapsed without height", {{"WindowID", 7}, {"ProcessID", 501}, {"Change", "Collapsed"}}},
        {"integer height", {{"WindowID", 7}, {"ProcessID", 501}, {"Change", "Collapsed"}, {"Height", 600}}},
        {"window as text", {{"WindowID", "7"}, {"ProcessID", 501}, {"Change", "Minimized"}}},
        {"no change", {{"WindowID", 7}, {"ProcessID", 501}}},
    };
    for (const auto& c : refused) EXPECT_FALSE(entry(c.stored)) << c.what;
    EXPECT_FALSE(LedgerEntry::decode(Value(Array{minimized})));
}

}  // namespace
}  // namespace furlpane
