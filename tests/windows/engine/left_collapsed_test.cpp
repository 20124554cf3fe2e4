// Windows left collapsed: the stored lists as another process reads them from the file,
// their pruning, the pairing of remembered windows with windows on screen, and the height
// given back.

#include "windows/engine/left_collapsed.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/defaults/file_user_defaults.h"
#include "platform/desktop/desktop.h"
#include "platform/runtime/main_loop.h"
#include "tests/support/temp_folder.h"
#include "windows/access/accessibility_elements.h"

namespace furlpane {
namespace {

using platform::Rect;
using platform::desktop::FaultCall;
using platform::plist::Array;
using platform::plist::Dictionary;
using platform::plist::Value;
using Found = LeftCollapsedWindows::Found;
using Pairs = std::vector<std::pair<size_t, size_t>>;

const LeftCollapsed kNotes{"Notes", {100, 100, 400, 22}, 300};
const LeftCollapsed kDraft{"Draft", {600, 100, 300, 22}, 500};

Value list(std::vector<Value> items) {
    Array array;
    for (auto& item : items) array.push_back(std::move(item));
    return Value(std::move(array));
}

Value stored(const LeftCollapsed& window) { return Value(LeftCollapsedWindows::encoded(window)); }

class LeftCollapsedTest : public ::testing::Test {
protected:
    LeftCollapsedTest() { systemWideElement().setMessagingTimeout(0.25f); }

    platform::MainLoop loop{platform::ClockKind::simulated};
    platform::desktop::Desktop world{loop};
    furlpane_test::TempFolder folder;
    std::unique_ptr<platform::FileUserDefaults> defaults =
        platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
    LeftCollapsedWindows lists{*defaults};

    void store(Dictionary applications) { defaults->set(LeftCollapsedWindows::kDefaultsKey, std::move(applications)); }
    // What another process reading the file finds.
    std::optional<Value> inFile() const {
        return platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path())
            ->storedObject(LeftCollapsedWindows::kDefaultsKey);
    }
    // The editor with windows of these titles and frames.
    platform::desktop::Application& editor(std::vector<std::pair<std::string, Rect>> windows) {
        auto builder = world.application("com.example.Editor");
        for (auto& [title, frame] : windows) builder.window({.title = title, .frame = frame});
        return builder.add();
    }
    platform::desktop::Window& titled(const platform::desktop::Application& app, const std::string& title) {
        for (auto* window : app.windows()) {
            if (window->title() == title) return *window;
        }
        throw std::runtime_error("no window " + title);
    }
};

TEST_F(LeftCollapsedTest, OnlySoundWindowsAreReadAndTheUnreadableStayStored) {
    Dictionary missingTitle = LeftCollapsedWindows::encoded(kNotes);
    missingTitle.erase("Title");
    Dictionary integerX = LeftCollapsedWindows::encoded(kNotes);
    integerX.set("X", 100);
    Dictionary notANumber = LeftCollapsedWindows::encoded(kNotes);
    notANumber.set("OriginalHeight", std::numeric_limits<double>::infinity());
    store({{"com.example.Editor", list({stored(kNotes), missingTitle, integerX, notANumber, "Draft", stored(kDraft)})},
           {"com.example.Broken", "not a list"}});
    const auto file = platform::FileUserDefaults::create(platform::kProgramDefaultsDomain, folder.path());
    EXPECT_EQ(LeftCollapsedWindows(*file).leftCollapsed("com.example.Editor"), (std::vector{kNotes, kDraft}));
    EXPECT_TRUE(lists.leftCollapsed("com.example.Broken").empty());
    EXPECT_TRUE(lists.leftCollapsed("com.example.Absent").empty());
    EXPECT_EQ(lists.bundleIdentifiers(), (std::set<std::string>{"com.example.Editor", "com.example.Broken"}));

    // Pruning takes out what was reopened and leaves what it cannot read as it was.
    lists.forgetLeftCollapsed({kNotes, kDraft}, "com.example.Editor");
    EXPECT_EQ(inFile(), Value(Dictionary{{"com.example.Editor", list({missingTitle, integerX, notANumber, "Draft"})},
                                         {"com.example.Broken", "not a list"}}));
}

TEST_F(LeftCollapsedTest, ForgettingRemovesExactCopiesOnceAndEmptyListsGo) {
    lists.forgetLeftCollapsed({}, "com.example.Editor");
    EXPECT_FALSE(std::filesystem::exists(defaults->path()));

    store({{"com.example.Editor", list({stored(kNotes), stored(kNotes), stored(kDraft)})},
           {"com.example.Viewer", list({stored(kDraft)})}});
    LeftCollapsed moved = kNotes;
    moved.frame.origin.x += 0.5;
    lists.forgetLeftCollapsed({kNotes, moved}, "com.example.Editor");
    EXPECT_EQ(lists.leftCollapsed("com.example.Editor"), (std::vector{kNotes, kDraft}));
    lists.forgetLeftCollapsed({kNotes, kDraft}, "com.example.Editor");
    EXPECT_EQ(inFile(), Value(Dictionary{{"com.example.Viewer", list({stored(kDraft)})}}));
    lists.forgetLeftCollapsed({kDraft}, "com.example.Viewer");
    EXPECT_FALSE(inFile());
}

TEST(LeftCollapsedPairing, TitlesFirstThenTheNearestCorner) {
    const auto at = [](std::string title, Rect frame) {
        return Found{platform::AccessibilityElement::systemWide(), std::move(title), frame};
    };
    LeftCollapsed zeroHeight = kNotes;
    zeroHeight.originalHeight = 0;
    LeftCollapsed absurdHeight = kNotes;
    absurdHeight.originalHeight = 1e12;
    LeftCollapsed notesFarther = kNotes;
    notesFarther.frame.origin = {150, 300};
    struct Case {
        const char* name;
        std::vector<LeftCollapsed> remembered;
        std::vector<Found> found;
        Pairs pairs;
    };
    const std::vector<Case> cases{
        {"the title beats the position", {kNotes}, {at("", {100, 100, 400, 22}), at("Notes", {900, 700, 400, 22})},
         {{0, 1}}},
        {"alike titles: the nearer one", {notesFarther, kNotes}, {at("Notes", {110, 110, 400, 22})}, {{1, 0}}},
        {"one point wider still fits", {kNotes}, {at("Other", {0, 0, 401, 21})}, {{0, 0}}},
        {"one and a half points does not", {kNotes}, {at("Notes", {100, 100, 401.5, 22})}, {}},
        {"each window once", {kNotes, kDraft}, {at("Notes", {0, 0, 400, 22}), at("Draft", {0, 0, 300, 22})},
         {{0, 0}, {1, 1}}},
        {"no height a window can have", {zeroHeight, absurdHeight}, {at("Notes", {100, 100, 400, 22})}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LeftCollapsedWindows::pairLeftCollapsed(c.remembered, c.found), c.pairs) << c.name;
    }
}

TEST_F(LeftCollapsedTest, MatchingWindowsOnScreenGetTheirHeightBack) {
    auto& app = editor({{"Notes", {130, 400, 400, 22}}, {"", {100, 100, 400, 22}}, {"Held", {700, 100, 300, 22}}});
    auto& viewer =
        world.application("com.example.Viewer").window({.title = "Notes", .frame = Rect{100, 100, 400, 22}}).add();
    auto& notes = titled(app, "Notes");
    auto& untitled = titled(app, "");
    const uint32_t held = titled(app, "Held").number();
    LeftCollapsed heldOne = kDraft;
    heldOne.frame = {700, 100, 300, 22};
    const auto holds = [held](uint32_t window) { return window == held; };

    // Without Accessibility nothing is touched.
    world.setAccessibilityTrusted(false);
    auto result = lists.reopenLeftCollapsed({kNotes, heldOne}, app.pid(), holds);
    EXPECT_TRUE(result.reopened.empty());
    world.setAccessibilityTrusted(true);
    // A refused write keeps the window for the next try.
    world.faults().on(FaultCall::writeAttribute, "AXSize").forWindow(notes.number()).times(1).refuse();
    result = lists.reopenLeftCollapsed({kNotes, heldOne}, app.pid(), holds);
    EXPECT_EQ(result.remaining, (std::vector{kNotes, heldOne}));

    result = lists.reopenLeftCollapsed({kNotes, heldOne}, app.pid(), holds);
    EXPECT_EQ(result.reopened, std::vector{kNotes});
    EXPECT_EQ(result.remaining, std::vector{heldOne});
    EXPECT_EQ(notes.frame(), (Rect{130, 400, 400, 300}));
    EXPECT_EQ(untitled.frame().height(), 22);
    EXPECT_EQ(world.window(held)->frame().height(), 22);
    EXPECT_EQ(viewer.windows()[0]->frame().height(), 22);
}

}  // namespace
}  // namespace furlpane
