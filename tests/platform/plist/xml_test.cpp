#include "platform/plist/xml.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "tests/support/numbered.h"
#include "tests/support/temp_folder.h"

namespace platform::plist {
namespace {

std::string document(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

Value roundTrip(const Value& v) {
    auto xml = toXml(v);
    EXPECT_TRUE(xml);
    auto read = parseXml(xml.value_or(""));
    EXPECT_TRUE(read.ok()) << describe(read.error());
    EXPECT_TRUE(read.isExact());
    return read.ok() ? read.value() : Value();
}

TEST(PlistXml, EveryTypeComesBackEqualAndInOrder) {
    const Dictionary original{
        {"Bool", true},
        {"False", false},
        {"Int", int64_t{-42}},
        {"Max", std::numeric_limits<int64_t>::max()},
        {"Min", std::numeric_limits<int64_t>::min()},
        {"Real", 0.1},
        {"Whole real", 3.0},
        {"Tiny", 5e-324},
        {"Huge", 1e300},
        {"Text", "a < b & \"c\" 'd' — ü 🪟 tab\there\r\n"},
        {"Empty", ""},
        {"Data", Data{{0, 1, 2, 255, 128}}},
        {"No data", Data{}},
        {"Date", Date{-123456789}},
        {"Array", Array{1, "two", Array{}, Dictionary{}}},
        {"Nested", Dictionary{{"z", 1}, {"a", Dictionary{{"deep", Array{true}}}}}},
    };
    const Value back = roundTrip(original);
    ASSERT_TRUE(back.isDictionary());
    EXPECT_EQ(back, Value(original));
    EXPECT_EQ(back.dictionary()->keys(), original.keys());
    EXPECT_TRUE(back.dictionary()->find("Whole real")->isReal());
    EXPECT_EQ(back.dictionary()->find("Nested")->dictionary()->keys()[0], "z");
}

TEST(PlistXml, WritingHasDefinedResultsForWhatTheFormatCannotHold) {
    EXPECT_EQ(roundTrip(std::string("a\0b", 3)), Value("ab"));
    EXPECT_EQ(roundTrip(Dictionary{{std::string("k\0ey", 4), 1}}), Value(Dictionary{{"key", 1}}));
    // Keys that writing makes one are written once, the last value kept, as reading keeps it.
    EXPECT_EQ(roundTrip(Dictionary{{"key", 1}, {std::string("k\0ey", 4), 2}}), Value(Dictionary{{"key", 2}}));
    EXPECT_EQ(roundTrip(Dictionary{{"a\xFF", Array{Dictionary{{"b\xFF", 1}, {"b\xFE", 2}}}}, {"a\xFE", 3}}),
              Value(Dictionary{{"a\uFFFD", 3}}));
    EXPECT_EQ(roundTrip(Array{Dictionary{{"b\xFF", 1}, {"b\xFE", 2}}}), Value(Array{Dictionary{{"b\uFFFD", 2}}}));
    EXPECT_EQ(roundTrip(Date{10.6}), Value(Date{11}));
    EXPECT_EQ(roundTrip(Date{1e13}), Value(Date{252423993599}));  // 9999-12-31T23:59:59Z
    EXPECT_EQ(roundTrip(Date{-1e13}), Value(Date{-63113904000}));  // 0001-01-01T00:00:00Z
    EXPECT_EQ(roundTrip(Date{std::nan("")}), Value(Date{0}));
    EXPECT_TRUE(std::isnan(*roundTrip(std::nan("")).real()));
    EXPECT_EQ(roundTrip(std::numeric_limits<double>::infinity()), Value(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(roundTrip(-std::numeric_limits<double>::infinity()), Value(-std::numeric_limits<double>::infinity()));
}

TEST(PlistXml, ValuesNestedTooDeeplyAreNotWritten) {
    Value v = Array{};
    for (int i = 1; i < kMaxNesting; ++i) v = Array{v};
    EXPECT_TRUE(isWritable(v));
    EXPECT_TRUE(toXml(v));
    v = Array{v};
    EXPECT_FALSE(isWritable(v));
    EXPECT_FALSE(toXml(v));
}

TEST(PlistXml, OddNumbersReadAsDocumented) {
    struct Case {
        const char* body;
        Value expected;
        bool exact;
    };
    const Case cases[] = {
        {"<integer>-1</integer>", Value(int64_t{-1}), true},
        {"<integer>-9223372036854775808</integer>", Value(std::numeric_limits<int64_t>::min()), true},
        {"<integer>9223372036854775808</integer>", Value(9223372036854775808.0), false},
        {"<integer>18446744073709551615</integer>", Value(18446744073709551615.0), false},
        {"<integer>99999999999999999999999</integer>", Value(1e23), false},
        // Read leniently, but written back they would not say what the file said.
        {"<integer>abc</integer>", Value(0), false},
        {"<integer>1.5</integer>", Value(1), false},
        {"<integer> +0x1F </integer>", Value(31), true},
        {"<real>1e400</real>", Value(std::numeric_limits<double>::infinity()), true},
        {"<dict><key>a</key><integer>1</integer><key>a</key><integer>2</integer></dict>",
         Value(Dictionary{{"a", 2}}), false},
        {"<dict><key>dangling</key></dict>", Value(Dictionary{}), false},
    };
    for (const Case& c : cases) {
        auto read = parseXml(document(c.body));
        ASSERT_TRUE(read.ok()) << c.body;
        EXPECT_EQ(read.value(), c.expected) << c.body;
        EXPECT_EQ(read.isExact(), c.exact) << c.body;
    }
}

// Text the writer would change reads as it stands but inexactly, keys as well as values;
// text it writes as it is reads exactly.
TEST(PlistXml, TextThatWritingWouldChangeReadsInexactly) {
    const struct {
        const char* body;
        Value expected;
        bool exact;
    } cases[] = {
        {"<string>caf\xE9</string>", Value("caf\xE9"), false},
        {"<string>bell &#7;</string>", Value("bell \x07"), false},
        {"<dict><key>k\xFF</key><true/></dict>", Value(Dictionary{{"k\xFF", true}}), false},
        {"<string>café, tab\t, 🪟</string>", Value("café, tab\t, 🪟"), true},
    };
    for (const auto& c : cases) {
        auto read = parseXml(document(c.body));
        ASSERT_TRUE(read.ok()) << c.body;
        EXPECT_EQ(read.value(), c.expected) << c.body;
        EXPECT_EQ(read.isExact(), c.exact) << c.body;
    }
}

// Whatever writing would give back otherwise than the file holds it reads inexactly:
// the caller that writes the document again keeps the original first.
TEST(PlistXml, ValuesThatWritingWouldChangeReadInexactly) {
    const struct {
        const char* body;
        bool exact;
    } cases[] = {
        {"<date>2024-02-29T23:59:59Z</date>", true},
        {"<date> 2024-02-29T23:59:59 </date>", true},
        {"<date>2024-02-29T23:59:59.000Z</date>", true},
        {"<date>0001-01-01T00:00:00Z</date>", true},
        {"<date>9999-12-31T23:59:59Z</date>", true},
        {"<date>20000-01-01T00:00:00Z</date>", false},
        {"<date>0000-12-31T00:00:00Z</date>", false},
        {"<date>-0044-03-15T12:00:00Z</date>", false},
        {"<date>2024-02-30T00:00:00Z</date>", false},
        {"<date>2023-01-01T24:00:00Z</date>", false},
        {"<date>2016-12-31T23:59:60Z</date>", false},
        {"<date>2024-01-01T00:00:00.5Z</date>", false},
        {"<date>yesterday</date>", false},
        {"<date></date>", false},
        {"<integer></integer>", false},
        {"<integer>12 monkeys</integer>", false},
        {"<real>-0.5e3</real>", true},
        {"<real>nan</real>", true},
        {"<real>0.5 or so</real>", false},
        {"<real/>", false},
        {"<data>AAEC\n\tAw==</data>", true},
        {"<data>AAE</data>", true},
        {"<data>AA*EC</data>", false},
        {"<data>AAECA</data>", false},
        {"<data>AA==AA==</data>", false},
        {"<true/>", true},
        {"<true>no</true>", false},
    };
    for (const auto& c : cases) {
        auto read = parseXml(document(c.body));
        ASSERT_TRUE(read.ok()) << c.body;
        EXPECT_EQ(read.isExact(), c.exact) << c.body;
    }
    // Each value keeps its reading all the same: a year past 9999 is not brought in.
    EXPECT_EQ(parseXml(document("<date>20000-01-01T00:00:00Z</date>")).value(), Value(Date{567993513600}));
}

// A caller short of room can tell which entries of a dictionary read inexactly: the key
// of the top level under which the odd value lies, however deep, or whose text is odd.
TEST(PlistXml, TheTopLevelKeysOfInexactEntriesAreNamed) {
    const auto read = parseXml(document(
        "<dict><key>Fine</key><string>café</string>"
        "<key>Deep</key><array><dict><key>x</key><integer>1.5</integer></dict></array>"
        "<key>caf\xE9</key><true/>"
        "<key>Twice</key><true/><key>Twice</key><false/>"
        "<key>AlsoFine</key><date>2001-01-01T00:00:00Z</date></dict>"));
    ASSERT_TRUE(read.ok());
    EXPECT_FALSE(read.isExact());
    EXPECT_EQ(read.inexactKeys(), (std::vector<std::string>{"Deep", "caf\xE9", "Twice"}));
    EXPECT_TRUE(parseXml(document("<dict><key>a</key><integer>1</integer></dict>")).inexactKeys().empty());
}

TEST(PlistXml, EachKindOfBadDocumentIsReportedAsSuch) {
    std::string deep;
    for (int i = 0; i <= kMaxNesting; ++i) deep += "<array>";
    for (int i = 0; i <= kMaxNesting; ++i) deep += "</array>";
    std::string fine;
    for (int i = 0; i < 100; ++i) fine += "<array><array/>";
    for (int i = 0; i < 100; ++i) fine += "</array>";
    struct Case {
        std::string text;
        ReadError error;
    };
    const Case cases[] = {
        {"", ReadError::notAPlist},
        {"   \n\t", ReadError::notAPlist},
        {"hello", ReadError::notAPlist},
        {"{\"a\": 1}", ReadError::notAPlist},
        {"<?xml version=\"1.0\"?><html></html>", ReadError::notAPlist},
        {"bplist00\x01\x02", ReadError::unsupportedFormat},
        {document("<dict><key>a</key><integer>1</integer>").substr(0, 70), ReadError::corrupt},
        {document("<array><true/>"), ReadError::corrupt},
        {document("<dict><integer>1</integer></dict>"), ReadError::corrupt},
        {document("<string>&bogus;</string>"), ReadError::corrupt},
        {document("<uid>3</uid>"), ReadError::corrupt},
        {document(""), ReadError::corrupt},
        {document(deep), ReadError::corrupt},
        {std::string(kMaxDocumentBytes + 1, ' '), ReadError::tooLarge},
    };
    for (const Case& c : cases) {
        auto read = parseXml(c.text);
        ASSERT_FALSE(read.ok()) << c.text.substr(0, 80);
        EXPECT_EQ(read.error(), c.error) << c.text.substr(0, 80) << " gave " << describe(read.error());
    }
    EXPECT_TRUE(parseXml(document(fine)).ok());
    EXPECT_TRUE(parseXml("\xEF\xBB\xBF  " + document("<true/>")).ok());

    auto wrong = parseXmlDictionary(document("<array/>"));
    ASSERT_FALSE(wrong.ok());
    EXPECT_EQ(wrong.error(), ReadError::wrongRootType);
    EXPECT_TRUE(parseXmlDictionary(document("<dict/>")).ok());
}

TEST(PlistXml, AHugeDictionaryLoadsInReasonableTime) {
    std::string body = "<dict>";
    for (int i = 0; i < 50000; ++i) {
        body += furlpane_test::numbered("<key>k", i);
        body += furlpane_test::numbered("</key><integer>", i);
        body += "</integer>";
    }
    auto read = parseXmlDictionary(document(body + "</dict>"));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value().dictionary()->size(), 50000u);
    EXPECT_EQ(*read.value().dictionary()->find("k49999"), Value(49999));
}

TEST(PlistXmlFile, FilesThatAreNotPlainFilesAreUnreadableAndNeverBlock) {
    furlpane_test::TempFolder tmp;
    EXPECT_EQ(readXmlFile(tmp / "absent.plist").error(), ReadError::missing);
    EXPECT_EQ(readXmlFile(tmp.path()).error(), ReadError::unreadable);
    const auto fifo = tmp / "pipe.plist";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readXmlFile(fifo).error(), ReadError::unreadable);

    // A sparse file over the limit is refused by its size, without being read.
    const auto huge = tmp / "huge.plist";
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxDocumentBytes) + 1), 0);
    ::close(fd);
    EXPECT_EQ(readXmlFile(huge).error(), ReadError::tooLarge);

    const auto good = tmp / "good.plist";
    furlpane_test::writeText(good, *toXml(Dictionary{{"a", 1}}));
    EXPECT_EQ(readXmlDictionaryFile(good).value(), Value(Dictionary{{"a", 1}}));
}

}  // namespace
}  // namespace platform::plist
