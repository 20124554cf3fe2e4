#include "platform/appkit/text_metrics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/graphics/utf8.h"

namespace platform {

namespace {

constexpr char32_t kEllipsis = U'\u2026';

std::u32string_view trimmedRight(std::u32string_view s) {
    while (!s.empty() && s.back() == U' ') s.remove_suffix(1);
    return s;
}

class Measurer {
public:
    explicit Measurer(const Font& font) : font_(font) {}
    double width(std::u32string_view s) const { return s.empty() ? 0 : TextLine(encodeUTF8(s), font_).width(); }

private:
    const Font& font_;
};

struct Range {
    size_t begin;
    size_t end;
};

// The largest end in (begin, limitEnd] whose text from begin fits, but at least begin + 1.
size_t fittingEnd(std::u32string_view s, size_t begin, size_t limitEnd, double limit, const Measurer& m) {
    size_t lo = begin + 1, hi = limitEnd;
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (m.width(s.substr(begin, mid - begin)) <= limit) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

size_t nextWordEnd(std::u32string_view s, size_t i) {
    while (i < s.size() && s[i] == U' ') ++i;
    while (i < s.size() && s[i] != U' ') ++i;
    return i;
}

// Greedy wrapping of one paragraph [begin, end) of the text.
void wrapParagraph(std::u32string_view text, size_t begin, size_t end, double limit, bool byCharacter,
                   const Measurer& m, std::vector<Range>& out) {
    size_t pos = begin;
    if (pos == end) {
        out.push_back({begin, end});
        return;
    }
    while (pos < end) {
        const size_t lineStart = pos;
        size_t fit = lineStart;
        if (!byCharacter) {
            for (size_t k = nextWordEnd(text.substr(0, end), lineStart); k > fit; k = nextWordEnd(text.substr(0, end), k)) {
                if (m.width(trimmedRight(text.substr(lineStart, k - lineStart))) > limit) break;
                fit = k;
            }
        }
        if (fit == lineStart) fit = fittingEnd(text, lineStart, end, limit, m);
        out.push_back({lineStart, fit});
        pos = fit;
        while (pos < end && text[pos] == U' ') ++pos;
    }
}

std::u32string truncate(std::u32string_view s, double limit, LineBreakMode mode, const Measurer& m) {
    s = trimmedRight(s);
    if (m.width(s) <= limit) return std::u32string(s);
    const size_t n = s.size();
    auto candidate = [&](size_t kept) {
        std::u32string c;
        switch (mode) {
        case LineBreakMode::byTruncatingHead:
            c += kEllipsis;
            c += s.substr(n - kept);
            break;
        case LineBreakMode::byTruncatingTail:
            c = trimmedRight(s.substr(0, kept));
            c += kEllipsis;
            break;
        case LineBreakMode::byTruncatingMiddle:
            c = s.substr(0, (kept + 1) / 2);
            c += kEllipsis;
            c += s.substr(n - kept / 2);
            break;
        default: c = s.substr(0, std::max<size_t>(kept, 1)); break;
        }
        return c;
    };
    size_t lo = 0, hi = n - 1;
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (m.width(candidate(mid)) <= limit) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return candidate(lo);
}

bool isTruncating(LineBreakMode mode) {
    return mode == LineBreakMode::byTruncatingHead || mode == LineBreakMode::byTruncatingMiddle ||
           mode == LineBreakMode::byTruncatingTail;
}

}  // namespace

Result<TextLayout> layOutText(std::string_view utf8, const TextStyle& style, double widthLimit, int maximumLines,
                              LineBreakMode mode) {
    auto font = Font::create(style.pointSize, style.weight, FontWidth::standard, style.design);
    if (!font) return Failure{font.error()};
    const Measurer m(*font);
    const double limit = std::isfinite(widthLimit) && widthLimit > 0 ? widthLimit : std::numeric_limits<double>::infinity();
    const std::u32string text = decodeUTF8(utf8);

    TextLayout layout;
    layout.ascent = font->ascent();
    layout.lineHeight = std::ceil(font->ascent() + font->descent() + font->leading());

    std::vector<std::u32string> lines;
    if (maximumLines == 1) {
        std::u32string one = text;
        std::replace(one.begin(), one.end(), U'\n', U' ');
        lines.push_back(std::u32string(trimmedRight(one)));
    } else {
        std::vector<Range> ranges;
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != U'\n') continue;
            wrapParagraph(text, start, i, limit, mode == LineBreakMode::byCharWrapping, m, ranges);
            start = i + 1;
        }
        if (maximumLines > 0 && ranges.size() > static_cast<size_t>(maximumLines)) {
            // The last line allowed takes the rest of the text.
            const size_t last = static_cast<size_t>(maximumLines) - 1;
            ranges[last].end = isTruncating(mode) ? text.size() : ranges[last].end;
            ranges.resize(last + 1);
            layout.truncated = true;
        }
        for (const Range& r : ranges) {
            std::u32string line = text.substr(r.begin, r.end - r.begin);
            std::replace(line.begin(), line.end(), U'\n', U' ');
            lines.push_back(std::u32string(trimmedRight(line)));
        }
    }
    for (auto& line : lines) {
        if (m.width(line) > limit) {
            const std::u32string cut = truncate(line, limit, mode, m);
            layout.truncated = layout.truncated || cut != line;
            line = cut;
        }
        const double w = m.width(line);
        layout.lines.push_back(encodeUTF8(line));
        layout.lineWidths.push_back(w);
        layout.size.width = std::max(layout.size.width, std::min(std::ceil(w), limit));
    }
    layout.size.height = layout.lineHeight * static_cast<double>(layout.lines.size());
    return layout;
}

Size fittingTextSize(std::string_view text, const TextStyle& style, double widthLimit, int maximumLines,
                     LineBreakMode mode) {
    auto layout = layOutText(text, style, widthLimit, maximumLines, mode);
    return layout ? layout->size : Size{};
}

}  // namespace platform
