// Where the redaction bars go. The blobs of ink are sorted into glyphs (small, text-like)
// and blocks (tall blobs dense enough to be writing or a filled shape); pictures and
// frames (large and sparse) are left alone. Glyphs gather into text lines, the words of a
// line are blacked out at random (wide words almost always, short ones about half the
// time), and neighbouring blacked-out words share one bar. Blocks are covered by stacked
// bars. Finally each bar gets the moment its marker stroke is drawn: top to bottom and
// left to right, like a hand going down the page, with a little jitter.

#include <algorithm>
#include <cmath>

#include "transitions/effects/classified/classified.h"
#include "transitions/effects/ordering.h"

namespace furlpane::effects {
namespace {

using Blob = Classified::Blob;
using Bar = Classified::Bar;

// A rectangle in min/max form: (minX, minY, maxX, maxY).
using Extent = double4;

struct Word {
    double left;
    double right;
};

struct Line {
    double top;
    double bottom;
    std::vector<Word> words;
};

struct Sorted {
    std::vector<Extent> glyphs;
    std::vector<Extent> blocks;
};

// The limits every bar stays within: x in 0 ... W, y in b ... H − 0.5.
struct Page {
    double width;
    double height;
    double topLimit;  // b = titleBar + 0.5
    double bottomLimit() const { return height - 0.5; }
};

struct Seed {
    int x;
    int y;
};

// The blob holding (x, y), cleared from pending run by run: each row run is found and
// cleared whole, and the runs touching it in the rows above and below are queued, so a
// blob of any size or shape costs a constant amount of work per texel and no recursion.
Blob fillBlob(std::vector<std::uint8_t>& pending, std::vector<Seed>& stack, int width, int height, int x, int y) {
    Blob blob{x, y, x + 1, y + 1, 0};
    stack.push_back({x, y});
    const std::size_t w = static_cast<std::size_t>(width);
    while (!stack.empty()) {
        const Seed s = stack.back();
        stack.pop_back();
        std::uint8_t* row = pending.data() + static_cast<std::size_t>(s.y) * w;
        if (row[s.x] == 0) continue;
        int x0 = s.x, x1 = s.x;
        while (x0 > 0 && row[x0 - 1] != 0) --x0;
        while (x1 + 1 < width && row[x1 + 1] != 0) ++x1;
        std::fill(row + x0, row + x1 + 1, std::uint8_t{0});
        blob.count += x1 - x0 + 1;
        blob.left = std::min(blob.left, x0);
        blob.right = std::max(blob.right, x1 + 1);
        blob.top = std::min(blob.top, s.y);
        blob.bottom = std::max(blob.bottom, s.y + 1);
        for (const int ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= height) continue;
            const std::uint8_t* next = pending.data() + static_cast<std::size_t>(ny) * w;
            for (int nx = x0; nx <= x1; ++nx)
                if (next[nx] != 0 && (nx == x0 || next[nx - 1] == 0)) stack.push_back({nx, ny});
        }
    }
    return blob;
}

// A glyph, a block or nothing, by size and density in points.
void sortBlob(const Blob& blob, double texel, const Page& page, Sorted& into) {
    if (blob.count < 3) return;
    const double minX = blob.left * texel, maxX = blob.right * texel;
    const double minY = std::max(blob.top * texel, page.topLimit);
    const double maxY = std::min(blob.bottom * texel, page.height);
    const double w = maxX - minX, h = maxY - minY;
    if (w < 1.5 || h < 1.5) return;
    double area = w * h;
    if (area <= 1e-6) area = 1e-6;
    const double density = blob.count * texel * texel / area;
    if (w > 40 && h > 40 && density < 0.12) return;
    (h <= 30 ? into.glyphs : into.blocks).push_back({minX, minY, maxX, maxY});
}

std::vector<Line> gatherLines(std::vector<Extent> glyphs) {
    stableSortRecords(glyphs, [](const Extent& a, const Extent& b) { return a.y + a.w < b.y + b.w; });
    std::vector<Line> lines;
    for (const Extent& g : glyphs) {
        Line* joined = nullptr;
        const std::size_t oldest = lines.size() > 8 ? lines.size() - 8 : 0;
        for (std::size_t j = lines.size(); j-- > oldest;) {
            Line& line = lines[j];
            const double overlap = std::min(line.bottom, g.w) - std::max(line.top, g.y);
            const double smaller = std::min(line.bottom - line.top, g.w - g.y);
            if (overlap >= 0.5 * smaller) {
                joined = &line;
                break;
            }
        }
        if (joined == nullptr) {
            lines.push_back({g.y, g.w, {{g.x, g.z}}});
            continue;
        }
        joined->top = std::min(joined->top, g.y);
        joined->bottom = std::max(joined->bottom, g.w);
        joined->words.push_back({g.x, g.z});
    }
    return lines;
}

void emitRun(double left, double right, double y0, double y1, const Page& page, std::vector<Bar>& bars) {
    const double x0 = std::max(0.0, left - 1), x1 = std::min(page.width, right + 1);
    if (x1 - x0 > 0.5 && y1 - y0 > 0.5) bars.push_back({{x0, y0, x1 - x0, y1 - y0}, 0, 0});
}

double blackoutThreshold(double width) {
    if (width >= 16) return 0.08;
    if (width >= 9) return 0.28;
    return 0.55;
}

void lineBars(Line line, const Page& page, EffectRandom& random, std::vector<Bar>& bars) {
    if (line.words.empty()) return;
    std::stable_sort(line.words.begin(), line.words.end(),
                     [](const Word& a, const Word& b) { return a.left < b.left; });
    double y0 = line.top - 1, y1 = line.bottom + 1;
    if (y1 - y0 < 7) {
        const double mid = (y0 + y1) / 2;
        y0 = mid - 3.5;
        y1 = mid + 3.5;
    }
    y0 = std::max(y0, page.topLimit);
    y1 = std::min(y1, page.bottomLimit());

    bool open = false;
    double runLeft = 0, runRight = 0;
    for (const Word& word : line.words) {
        const double u = random.unit();
        const bool blackedOut = u >= blackoutThreshold(word.right - word.left);
        if (open && (!blackedOut || word.left - runRight > 14)) {
            emitRun(runLeft, runRight, y0, y1, page, bars);
            open = false;
        }
        if (!blackedOut) continue;
        if (!open) {
            open = true;
            runLeft = word.left;
            runRight = word.right;
        } else {
            runRight = std::max(runRight, word.right);
        }
    }
    if (open) emitRun(runLeft, runRight, y0, y1, page, bars);
}

void blockBars(const Extent& block, const Page& page, std::vector<Bar>& bars) {
    const double span = block.w - block.y + 2;
    const int m = std::max(1, static_cast<int>(std::ceil(span / 17)));
    const double step = span / m;
    const double x0 = std::max(0.0, block.x - 3), x1 = std::min(page.width, block.z + 3);
    for (int j = 0; j < m; ++j) {
        const double y = block.y - 1 + j * step;
        double lo = y - 0.8, hi = y + step + 0.8;
        if (hi - lo < 7) {
            const double mid = (lo + hi) / 2;
            lo = mid - 3.5;
            hi = mid + 3.5;
        }
        const double y0 = std::max(lo, page.topLimit), y1 = std::min(hi, page.bottomLimit());
        if (x1 - x0 > 0.5 && y1 - y0 > 0.5) bars.push_back({{x0, y0, x1 - x0, y1 - y0}, 0, 0});
    }
}

void keepLargest(std::vector<Bar>& bars) {
    if (bars.size() <= static_cast<std::size_t>(kMaxRedactionBars)) return;
    stableSortRecords(bars, [](const Bar& a, const Bar& b) { return a.rect.z * a.rect.w > b.rect.z * b.rect.w; });
    bars.resize(kMaxRedactionBars);
}

void timeBars(std::vector<Bar>& bars, double width, Phase redact, EffectRandom& random) {
    double yMin = bars.front().rect.y, yMax = yMin;
    for (const Bar& bar : bars) {
        yMin = std::min(yMin, bar.rect.y);
        yMax = std::max(yMax, bar.rect.y);
    }
    const double d = std::max(1.0, width);
    for (Bar& bar : bars) {
        bar.takes = 0.012 + 0.05 * std::min(1.0, bar.rect.z / d);
        const double yOrder = yMax > yMin ? 0.82 * (bar.rect.y - yMin) / (yMax - yMin) : 0;
        const double jitter = 0.08 * random.unit();
        const double room = std::max(0.0, (redact.upper - redact.lower) - bar.takes);
        bar.start = redact.lower + room * (jitter + yOrder + 0.1 * bar.rect.x / d);
    }
    stableSortRecords(bars, [](const Bar& a, const Bar& b) { return a.start < b.start; });
}

}  // namespace

std::vector<Classified::Blob> inkBlobs(int width, int height, std::span<const std::uint8_t> marks) {
    if (width <= 0 || height <= 0) return {};
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (marks.size() < count) return {};
    std::vector<std::uint8_t> pending(marks.begin(), marks.begin() + static_cast<std::ptrdiff_t>(count));
    std::vector<Blob> blobs;
    std::vector<Seed> stack;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pending.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x)
            if (row[x] != 0) blobs.push_back(fillBlob(pending, stack, width, height, x, y));
    }
    return blobs;
}

std::vector<Classified::Bar> placeBars(int width, int height, double texel, std::span<const std::uint8_t> marks,
                                       double2 size, double titleBar, const Classified::Timing& timing,
                                       EffectRandom& random) {
    if (!std::isfinite(texel) || !(texel > 0)) return {};
    const Page page{size.x, size.y, titleBar + 0.5};
    Sorted sorted;
    for (const Blob& blob : inkBlobs(width, height, marks)) sortBlob(blob, texel, page, sorted);

    std::vector<Bar> bars;
    for (const Line& line : gatherLines(std::move(sorted.glyphs))) lineBars(line, page, random, bars);
    for (const Extent& block : sorted.blocks) blockBars(block, page, bars);
    keepLargest(bars);
    if (bars.empty()) return bars;
    timeBars(bars, page.width, timing.redact, random);
    return bars;
}

}  // namespace furlpane::effects
