#pragma once

// The edge and direction along which thumbnails line up, as the settings store it.
//
// ThumbnailOrder's raw value (1 ... 8, never 0) is what "MIPWindowGridAlign" holds.
// The first four orders are vertical (lines are columns along the left or right edge),
// the last four horizontal (lines are rows along the top or bottom edge). The
// thumbnail arrangement names these types ThumbnailArrangement::Order and ::Corner.

#include <array>
#include <cstdint>

#include "settings/model/raw_enum.h"

namespace furlpane {

enum class ThumbnailCorner { topLeft, topRight, bottomLeft, bottomRight };

enum class ThumbnailOrder {
    leftFromTop,      // left edge, a line fills top to bottom
    leftFromBottom,   // left edge, bottom to top
    rightFromTop,     // right edge, top to bottom
    rightFromBottom,  // right edge, bottom to top
    topFromLeft,      // top edge, left to right
    topFromRight,     // top edge, right to left
    bottomFromLeft,   // bottom edge, left to right
    bottomFromRight,  // bottom edge, right to left
};

template <>
struct EnumTraits<ThumbnailOrder> {
    static constexpr std::array cases{ThumbnailOrder::leftFromTop,    ThumbnailOrder::leftFromBottom,
                                      ThumbnailOrder::rightFromTop,   ThumbnailOrder::rightFromBottom,
                                      ThumbnailOrder::topFromLeft,    ThumbnailOrder::topFromRight,
                                      ThumbnailOrder::bottomFromLeft, ThumbnailOrder::bottomFromRight};
    static constexpr std::array<int64_t, 8> raws{1, 2, 3, 4, 5, 6, 7, 8};
};

// The corner the order's first cell lies in.
constexpr ThumbnailCorner corner(ThumbnailOrder order) {
    switch (order) {
        case ThumbnailOrder::leftFromTop:
        case ThumbnailOrder::topFromLeft: return ThumbnailCorner::topLeft;
        case ThumbnailOrder::leftFromBottom:
        case ThumbnailOrder::bottomFromLeft: return ThumbnailCorner::bottomLeft;
        case ThumbnailOrder::rightFromTop:
        case ThumbnailOrder::topFromRight: return ThumbnailCorner::topRight;
        case ThumbnailOrder::rightFromBottom:
        case ThumbnailOrder::bottomFromRight: return ThumbnailCorner::bottomRight;
    }
    return ThumbnailCorner::topLeft;
}

// Lines are columns (the thumbnails line up along the left or right edge).
constexpr bool isVertical(ThumbnailOrder order) {
    return order == ThumbnailOrder::leftFromTop || order == ThumbnailOrder::leftFromBottom ||
           order == ThumbnailOrder::rightFromTop || order == ThumbnailOrder::rightFromBottom;
}

}  // namespace furlpane
