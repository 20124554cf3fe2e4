#include <gtest/gtest.h>

#include "platform/appkit/text_field.h"
#include "platform/appkit/text_metrics.h"
#include "platform/graphics/text.h"

namespace platform {
namespace {

const TextStyle kTitle{14, FontWeight::bold};

double widthOf(const std::string& text, const TextStyle& style = kTitle) {
    return TextLine(text, *Font::create(style.pointSize, style.weight)).width();
}

TEST(TextMetrics, AShortTitleIsOneLineOfSeventeenPointsAsWideAsItsText) {
    const Size size = fittingTextSize("Inbox", kTitle, 176, 2, LineBreakMode::byTruncatingMiddle);
    EXPECT_EQ(size.height, 17);
    EXPECT_EQ(size.width, std::ceil(widthOf("Inbox")));
    // The same text measured twice, or in another call, gives the same size.
    EXPECT_EQ(fittingTextSize("Inbox", kTitle, 176, 2, LineBreakMode::byTruncatingMiddle), size);
    EXPECT_EQ(fittingTextSize("", kTitle, 176, 2, LineBreakMode::byTruncatingMiddle), (Size{0, 17}));
    EXPECT_LT(fittingTextSize("Inbox", {14, FontWeight::regular}, 0, 0, LineBreakMode::byClipping).width, size.width);
}

TEST(TextMetrics, TextWrapsAtSpacesAndBreaksWordsThatDoNotFit) {
    auto layout = layOutText("Quarterly report draft final", kTitle, 120, 0, LineBreakMode::byWordWrapping);
    ASSERT_TRUE(layout);
    EXPECT_GT(layout->lines.size(), 1u);
    for (double w : layout->lineWidths) EXPECT_LE(w, 120);
    std::string joined;
    for (const auto& line : layout->lines) joined += (joined.empty() ? "" : " ") + line;
    EXPECT_EQ(joined, "Quarterly report draft final");
    EXPECT_FALSE(layout->truncated);
    EXPECT_EQ(layout->size.height, 17 * static_cast<double>(layout->lines.size()));

    auto word = layOutText("Supercalifragilistic", kTitle, 40, 0, LineBreakMode::byWordWrapping);
    ASSERT_TRUE(word);
    EXPECT_GT(word->lines.size(), 3u);
    for (const auto& line : word->lines) EXPECT_FALSE(line.empty());
    // A limit narrower than one character still puts a character on each line.
    auto narrow = layOutText("WWW", kTitle, 1, 0, LineBreakMode::byCharWrapping);
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->lines, (std::vector<std::string>{"W", "W", "W"}));
    EXPECT_EQ(narrow->size.width, 1);
    // Explicit newlines start lines.
    EXPECT_EQ(layOutText("a\nb", kTitle, 0, 0, LineBreakMode::byWordWrapping)->lines.size(), 2u);
}

TEST(TextMetrics, BeyondTheLineLimitTheLastLineIsCutInTheMiddle) {
    const std::string title = "The annual report of the society for the preservation of old window managers, "
                              "second revised edition, final.pdf";
    auto layout = layOutText(title, kTitle, 176, 2, LineBreakMode::byTruncatingMiddle);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->lines.size(), 2u);
    EXPECT_TRUE(layout->truncated);
    EXPECT_EQ(layout->size.height, 34);
    const std::string& last = layout->lines[1];
    EXPECT_NE(last.find("\u2026"), std::string::npos);
    EXPECT_EQ(last.substr(last.size() - 4), ".pdf");  // the end of the text stays
    EXPECT_EQ(title.rfind(layout->lines[0], 0), 0u);  // the first line is the text's start
    EXPECT_LE(layout->lineWidths[1], 176);
    EXPECT_LE(layout->size.width, 176);

    auto tail = layOutText(title, kTitle, 176, 1, LineBreakMode::byTruncatingTail);
    EXPECT_EQ(tail->lines[0].substr(0, 10), title.substr(0, 10));
    EXPECT_EQ(tail->lines[0].substr(tail->lines[0].size() - 3), "\u2026");
    auto head = layOutText(title, kTitle, 176, 1, LineBreakMode::byTruncatingHead);
    EXPECT_EQ(head->lines[0].substr(0, 3), "\u2026");
    auto clip = layOutText(title, kTitle, 176, 1, LineBreakMode::byClipping);
    EXPECT_EQ(clip->lines[0].find("\u2026"), std::string::npos);
    EXPECT_TRUE(clip->truncated);
    // A width so small that only the ellipsis is left.
    EXPECT_EQ(layOutText(title, kTitle, 2, 1, LineBreakMode::byTruncatingMiddle)->lines[0], "\u2026");
}

TEST(TextMetrics, BadInputGivesAClearResult) {
    EXPECT_FALSE(layOutText("x", {-3, FontWeight::bold}, 100, 1, LineBreakMode::byClipping));
    EXPECT_EQ(fittingTextSize("x", {std::nan(""), FontWeight::bold}, 100, 1, LineBreakMode::byClipping), Size{});
    // Invalid UTF-8 is measured as replacement characters, not read past its end.
    auto broken = layOutText(std::string("ab\xE2\x82", 4), kTitle, std::nan(""), -5, LineBreakMode::byTruncatingMiddle);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->lines.size(), 1u);
}

TEST(TextField, ALabelSizesItselfAndDrawsItsTextIntoItsLayer) {
    auto label = TextField::label("Inbox");
    label->setFont(kTitle);
    label->setMaximumNumberOfLines(2);
    label->setLineBreakMode(LineBreakMode::byTruncatingMiddle);
    label->setTextColor(Color::white());
    label->setShadow(TextShadow{Color::black(), {2, -2}});
    const Size fit = label->sizeThatFits({176, std::numeric_limits<double>::max()});
    EXPECT_EQ(fit, (Size{std::ceil(widthOf("Inbox")), 17}));
    label->setFrame({12, 4, fit.width, fit.height});
    label->updateLayer();
    const auto& contents = label->layer()->contents();
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->width(), static_cast<int>(fit.width * 2));  // 2 pixels a point without a window
    EXPECT_EQ(label->layer()->contentsScale(), 2);
    int white = 0, black = 0;
    for (int y = 0; y < contents->height(); ++y) {
        for (int x = 0; x < contents->width(); ++x) {
            const Pixel p = contents->pixel(x, y);
            white += p.a == 255 && p.r == 255;
            black += p.a == 255 && p.r == 0;
        }
    }
    EXPECT_GT(white, 20);
    EXPECT_GT(black, 20);  // the shadow
    EXPECT_EQ(label->accessibilityRole(), "AXStaticText");
}

}  // namespace
}  // namespace platform
