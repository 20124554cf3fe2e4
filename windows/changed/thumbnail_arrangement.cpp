// The thumbnail grid: cell counts, cell squares, the cell of a frame, and the packing of
// thumbnails into free cells.

#include "windows/changed/thumbnail_arrangement.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace furlpane {

using platform::Rect;

namespace {

// floor(q) clamped to [0, upper]; 0 when q is not finite.
std::int64_t clampedFloor(double q, std::int64_t upper) {
    if (!std::isfinite(q) || upper <= 0) return 0;
    const double f = std::floor(q);
    if (f <= 0) return 0;
    if (f >= double(upper)) return upper;
    return std::int64_t(f);
}

bool overlaps(const Rect& a, const Rect& b) {
    const Rect overlap = a.intersection(b);
    return !overlap.isNull() && overlap.width() > 0 && overlap.height() > 0;
}

}  // namespace

std::int64_t ThumbnailArrangement::cellCount(double length, double pitch) {
    if (!(pitch > 0) || !std::isfinite(length) || !(length > gap)) return 0;
    const double count = std::floor((length - gap) / pitch);
    if (!(count >= 0)) return 0;
    return count >= double(maxCellsPerSide) ? maxCellsPerSide : std::int64_t(count);
}

std::int64_t ThumbnailArrangement::columns() const { return cellCount(usableFrame.width(), pitch()); }

std::int64_t ThumbnailArrangement::rows() const { return cellCount(usableFrame.height(), pitch()); }

bool ThumbnailArrangement::startsLeft() const {
    const Corner c = cornerOf(order);
    return c == Corner::topLeft || c == Corner::bottomLeft;
}

bool ThumbnailArrangement::startsTop() const {
    const Corner c = cornerOf(order);
    return c == Corner::topLeft || c == Corner::topRight;
}

ThumbnailArrangement::CellPosition ThumbnailArrangement::cellPosition(std::int64_t index) const {
    if (isVertical(order)) {
        const std::int64_t r = std::max<std::int64_t>(rows(), 1);
        return {index / r, index % r};
    }
    const std::int64_t c = std::max<std::int64_t>(columns(), 1);
    return {index % c, index / c};
}

Rect ThumbnailArrangement::square(std::int64_t index) const {
    const CellPosition cell = cellPosition(index);
    const double p = pitch();
    const Rect u = usableFrame;
    const double x = startsLeft() ? std::ceil(u.minX() + gap + double(cell.column) * p)
                                  : std::floor(u.maxX() - gap - side - double(cell.column) * p);
    const double y = startsTop() ? std::ceil(u.minY() + gap + double(cell.row) * p)
                                 : std::floor(u.maxY() - gap - side - double(cell.row) * p);
    return Rect(x, y, side, side);
}

platform::Rect ThumbnailArrangement::Place::frameFor(platform::Size size) const {
    const bool right = corner == Corner::topRight || corner == Corner::bottomRight;
    const bool bottom = corner == Corner::bottomLeft || corner == Corner::bottomRight;
    return platform::Rect(right ? square.maxX() - size.width : square.minX(),
                          bottom ? square.maxY() - size.height : square.minY(), size.width, size.height);
}

ThumbnailArrangement::Place ThumbnailArrangement::placeForCell(std::int64_t index) const {
    return {square(index), cornerOf(order)};
}

std::int64_t ThumbnailArrangement::cellIndex(const Rect& frame) const {
    const Rect u = usableFrame;
    const platform::Point centre = frame.mid();
    const double fromSide = startsLeft() ? centre.x - u.minX() : u.maxX() - centre.x;
    const double fromTop = startsTop() ? centre.y - u.minY() : u.maxY() - centre.y;
    const std::int64_t c = columns(), r = rows();
    const std::int64_t column = clampedFloor((fromSide - 2) / pitch(), c - 1);
    const std::int64_t row = clampedFloor((fromTop - 2) / pitch(), r - 1);
    return isVertical(order) ? column * r + row : row * c + column;
}

std::optional<std::int64_t> ThumbnailArrangement::firstFreeCell(std::int64_t start,
                                                                std::span<const Rect> avoiding) const {
    const std::int64_t count = cells();
    if (start >= count) return std::nullopt;
    for (std::int64_t index = std::max<std::int64_t>(start, 0); index < count; ++index) {
        const Rect grown = square(index).insetBy(-2, -2);
        const bool taken =
            std::any_of(avoiding.begin(), avoiding.end(), [&](const Rect& r) { return overlaps(grown, r); });
        if (!taken) return index;
    }
    return std::nullopt;
}

std::optional<ThumbnailArrangement::Place> ThumbnailArrangement::place(std::span<const Rect> existing,
                                                                       std::span<const Rect> avoiding) const {
    if (cells() == 0) return std::nullopt;
    std::int64_t start = 0;
    for (const Rect& frame : existing) start = std::max(start, cellIndex(frame) + 1);
    if (const auto cell = firstFreeCell(start, avoiding)) return placeForCell(*cell);
    // The end of the grid is reached: fill a gap, now keeping clear of the thumbnails
    // already standing too.
    std::vector<Rect> both(avoiding.begin(), avoiding.end());
    both.insert(both.end(), existing.begin(), existing.end());
    if (const auto cell = firstFreeCell(0, both)) return placeForCell(*cell);
    return std::nullopt;
}

double ThumbnailArrangement::fractionAlongLine(const Rect& frame, std::int64_t index) const {
    const Rect u = usableFrame;
    const platform::Point centre = frame.mid();
    double distance = 0;
    double linePosition = 0;
    if (isVertical(order)) {
        distance = startsTop() ? centre.y - u.minY() : u.maxY() - centre.y;
        linePosition = double(cellPosition(index).row);
    } else {
        distance = startsLeft() ? centre.x - u.minX() : u.maxX() - centre.x;
        linePosition = double(cellPosition(index).column);
    }
    const double fraction = (distance - 2) / pitch() - linePosition;
    if (!std::isfinite(fraction)) return 0;
    return std::clamp(fraction, 0.0, 1.0);
}

std::unordered_map<std::uint32_t, ThumbnailArrangement::Place> ThumbnailArrangement::places(
    std::span<const Item> items, std::span<const Rect> avoiding) const {
    std::unordered_map<std::uint32_t, Place> result;
    if (cells() == 0) return result;
    struct Keyed {
        std::int64_t index;
        double fraction;
        std::uint32_t windowNumber;
    };
    std::vector<Keyed> sorted;
    sorted.reserve(items.size());
    for (const Item& item : items) {
        const std::int64_t index = cellIndex(item.frame);
        sorted.push_back({index, fractionAlongLine(item.frame, index), item.windowNumber});
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const Keyed& a, const Keyed& b) {
        if (a.index != b.index) return a.index < b.index;
        if (a.fraction != b.fraction) return a.fraction < b.fraction;
        return a.windowNumber < b.windowNumber;
    });
    std::int64_t cursor = 0;
    for (const Keyed& item : sorted) {
        const auto cell = firstFreeCell(cursor, avoiding);
        if (!cell) break;
        result.insert_or_assign(item.windowNumber, placeForCell(*cell));
        cursor = *cell + 1;
    }
    return result;
}

}  // namespace furlpane
