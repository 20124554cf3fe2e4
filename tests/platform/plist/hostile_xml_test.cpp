// Hostile documents: none may crash the reader or make it read out of bounds (the
// suite runs under AddressSanitizer); each gets a value or an error kind.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/plist/xml.h"

namespace platform::plist {
namespace {

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";

std::string sample() {
    return *toXml(Dictionary{{"Enabled", true},
                             {"MIPWindowScale", 0.5},
                             {"Name", "Furlpane & <Novan>"},
                             {"ChangedWindows", Dictionary{{"812", Array{Dictionary{{"WindowID", 7}}}}}},
                             {"Blob", Data{{1, 2, 3, 4, 5}}},
                             {"When", Date{100}}});
}

TEST(HostilePlist, EveryTruncationIsReadOrReportedCorrupt) {
    const std::string text = sample();
    for (size_t n = 0; n < text.size(); ++n) {
        auto read = parseXml(text.substr(0, n));
        if (!read.ok()) {
            EXPECT_TRUE(read.error() == ReadError::corrupt || read.error() == ReadError::notAPlist) << n;
        }
    }
}

TEST(HostilePlist, EverySingleByteChangeIsSurvived) {
    const std::string text = sample();
    const char replacements[] = {'\0', '<', '>', '/', '&', '"', '\xff', 'x'};
    for (size_t i = 0; i < text.size(); ++i) {
        for (char r : replacements) {
            std::string mutated = text;
            mutated[i] = r;
            (void)parseXml(mutated);
        }
    }
}

TEST(HostilePlist, ATableOfHostileDocumentsGetsDefinedResults) {
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;\">]><plist version=\"1.0\"><string>&c;&c;&c;</string></plist>";
    const std::string external =
        "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<plist version=\"1.0\"><string>&x;</string></plist>";
    std::string manyEmpty = kHeader + "<array>";
    for (int i = 0; i < 20000; ++i) manyEmpty += "<array/>";
    manyEmpty += "</array></plist>";
    std::string unclosedDeep = kHeader;
    for (int i = 0; i < 100000; ++i) unclosedDeep += "<dict><key>k</key>";
    std::string longKey = kHeader + "<dict><key>" + std::string(1 << 20, 'k') + "</key><true/></dict></plist>";

    const std::vector<std::string> documents = {
        laughs,
        external,
        manyEmpty,
        unclosedDeep,
        longKey,
        kHeader + "<string><![CDATA[<dict>]]></string></plist>",
        kHeader + "<!-- <array><array> --><true/></plist>",
        kHeader + "<data>" + std::string(1000, '=') + "</data></plist>",
        kHeader + "<data>!!!!</data></plist>",
        kHeader + "<date>9999999-99-99T99:99:99Z</date></plist>",
        kHeader + "<date></date></plist>",
        kHeader + "<real>" + std::string(5000, '9') + "</real></plist>",
        kHeader + "<integer>" + std::string(5000, '9') + "</integer></plist>",
        kHeader + "<integer>-" + std::string(5000, '9') + "</integer></plist>",
        kHeader + "<string>\xC3\x28 \xF0\x28\x8C\x28</string></plist>",
        kHeader + "<string>&#xFFFFFFFF;&#99999999999;</string></plist>",
        kHeader + "<key>lonely</key></plist>",
        kHeader + "<dict><dict/></dict></plist>",
        kHeader + "<array><key>k</key></array></plist>",
        kHeader + "<true>junk</true></plist>",
        kHeader + "<true/><false/></plist>",
        "<plist",
        "<plist>",
        "<plist></plist><plist>",
        std::string("<plist>\0<true/></plist>", 23),
        "\xEF\xBB\xBF\xEF\xBB\xBF<plist/>",
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><plist><true/></plist>",
    };
    for (const std::string& doc : documents) {
        auto read = parseXml(doc);
        if (read.ok()) {
            // Whatever was read must be writable again.
            EXPECT_TRUE(toXml(read.value())) << doc.substr(0, 80);
        }
    }
    auto ext = parseXml(external);
    if (ext.ok() && ext.value().string()) {
        EXPECT_EQ(ext.value().string()->find("root:"), std::string::npos);
    }
    EXPECT_EQ(parseXml(unclosedDeep).error(), ReadError::corrupt);
}

}  // namespace
}  // namespace platform::plist
