#include "platform/plist/base64.h"

#include <gtest/gtest.h>

namespace platform::plist {
namespace {

TEST(Base64, RoundTripsEveryLengthOfPadding) {
    const std::vector<uint8_t> bytes{0x00, 0xff, 0x10, 0x80, 0x7f};
    for (size_t n = 0; n <= bytes.size(); ++n) {
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + long(n));
        const std::string text = base64Encoded(part);
        EXPECT_EQ(text.size() % 4, 0u);
        EXPECT_EQ(base64Decoded(text), part) << text;
    }
    EXPECT_EQ(base64Encoded({'M', 'a', 'n'}), "TWFu");
}

TEST(Base64, RefusesWhatNoEncoderWrites) {
    for (const char* text : {"TWF", "TW=u", "TWFu ", " TWFu", "TW\nFu", "TWF*", "====", "TQ===", "TR==", "TWE=TWFu"}) {
        EXPECT_FALSE(base64Decoded(text)) << text;
    }
    EXPECT_EQ(base64Decoded(""), std::vector<uint8_t>{});
    EXPECT_EQ(base64Decoded("TQ=="), std::vector<uint8_t>{'M'});
}

}  // namespace
}  // namespace platform::plist
