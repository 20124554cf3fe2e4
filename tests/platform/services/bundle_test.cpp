#include "platform/services/bundle.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using furlpane_test::TempFolder;
using furlpane_test::writeText;
using plist::Dictionary;

// A bundle folder as the program ships: information dictionary, the four sounds and
// the read-me (a document package, localized).
std::filesystem::path makeBundle(const TempFolder& tmp) {
    const auto root = tmp / "Furlpane Novan.app";
    writeText(root / "Contents" / "Info.plist",
              *plist::toXml(Dictionary{{"CFBundleIdentifier", "com.brindlewick.FurlpaneNovan"},
                                       {"CFBundleShortVersionString", "2.1b3"},
                                       {"SUFeedURL", "https://example.invalid/appcast.xml"},
                                       {"SUPublicEDKey", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA="}}));
    for (const char* sound : {"Collapse", "Expand", "FloatOnTop_Begin", "FloatOnTop_End"}) {
        writeText(root / "Contents" / "Resources" / (std::string(sound) + ".aiff"), "FORM\0\0\0\0AIFF");
    }
    writeText(root / "Contents" / "Resources" / "en.lproj" / "Furlpane Novan Read Me.rtfd" / "TXT.rtf", "{\\rtf1}");
    writeText(root / "Contents" / "MacOS" / "furlpane-novan", "");
    return root;
}

TEST(Bundle, ReadsItsInformationDictionaryAndFindsResources) {
    TempFolder tmp;
    const auto root = makeBundle(tmp);
    auto bundle = Bundle::create(root);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundlePath(), root);
    EXPECT_EQ(bundle->bundleIdentifier(), "com.brindlewick.FurlpaneNovan");
    EXPECT_EQ(*bundle->objectForInfoDictionaryKey(info_keys::kShortVersion), plist::Value("2.1b3"));
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey(info_keys::kFeedURL));
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey(info_keys::kPublicEDKey));
    EXPECT_FALSE(bundle->objectForInfoDictionaryKey("Missing"));

    EXPECT_EQ(bundle->urlForResource("Collapse", "aiff"), root / "Contents" / "Resources" / "Collapse.aiff");
    EXPECT_EQ(bundle->urlForResource("Furlpane Novan Read Me", "rtfd"),
              root / "Contents" / "Resources" / "en.lproj" / "Furlpane Novan Read Me.rtfd");
    EXPECT_FALSE(bundle->urlForResource("Collapse", "wav"));
    EXPECT_FALSE(bundle->urlForResource("Nothing", "aiff"));
    for (const char* hostile : {"", "..", "../MacOS/furlpane-novan", "a/b"}) {
        EXPECT_FALSE(bundle->urlForResource(hostile, "")) << hostile;
    }
    EXPECT_FALSE(bundle->urlForResource("Collapse", "aiff/.."));
}

TEST(Bundle, AMissingOrBadInformationDictionaryReadsAsEmpty) {
    TempFolder tmp;
    const auto root = tmp / "Broken.app";
    writeText(root / "Contents" / "Info.plist", "<plist><dict><key>CFBundleIdentifier");
    auto bundle = Bundle::create(root);
    ASSERT_TRUE(bundle);
    EXPECT_TRUE(bundle->infoDictionary().empty());
    EXPECT_EQ(bundle->infoReadError(), plist::ReadError::corrupt);
    EXPECT_FALSE(bundle->bundleIdentifier());
    EXPECT_FALSE(Bundle::create(tmp / "absent"));
}

TEST(Bundle, TheProgramFindsItsBundleAroundItsExecutable) {
    TempFolder tmp;
    const auto root = makeBundle(tmp);
    auto inside = Bundle::forExecutable(root / "Contents" / "MacOS" / "furlpane-novan");
    EXPECT_EQ(inside->bundlePath(), root);
    EXPECT_EQ(*inside->objectForInfoDictionaryKey(info_keys::kShortVersion), plist::Value("2.1b3"));

    // A program built outside any bundle still knows who it is, and has no version.
    auto loose = Bundle::forExecutable(tmp / "build" / "furlpane-novan");
    EXPECT_EQ(loose->bundlePath(), tmp / "build");
    EXPECT_EQ(loose->bundleIdentifier(), kProgramBundleIdentifier);
    EXPECT_FALSE(loose->objectForInfoDictionaryKey(info_keys::kShortVersion));
    EXPECT_FALSE(loose->urlForResource("Collapse", "aiff"));
}

TEST(Bundle, ADescribedBundleCarriesItsOwnResourcesAndVolume) {
    TempFolder tmp;
    writeText(tmp / "beep.aiff", "x");
    Volume image{"/Volumes/Furlpane Novan", "/dev/loop3", "hfsplus", true, true};
    auto bundle = Bundle::describe({"/Volumes/Furlpane Novan/Furlpane Novan.app",
                                    Dictionary{{"CFBundleIdentifier", "com.example.test"}},
                                    {{"Expand.aiff", tmp / "beep.aiff"}, {"Collapse.aiff", tmp / "absent.aiff"}},
                                    image});
    EXPECT_EQ(bundle->urlForResource("Expand", "aiff"), tmp / "beep.aiff");
    EXPECT_FALSE(bundle->urlForResource("Collapse", "aiff"));
    EXPECT_EQ(bundle->volume(), image);

    Bundle& main = Bundle::setMain(std::move(bundle));
    EXPECT_EQ(Bundle::main().bundleIdentifier(), "com.example.test");
    EXPECT_EQ(&Bundle::main(), &main);
    Bundle::setMain(nullptr);
    EXPECT_EQ(Bundle::main().bundleIdentifier(), kProgramBundleIdentifier);
}

}  // namespace
}  // namespace platform
