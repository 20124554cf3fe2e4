#include "transitions/window_framing.h"

namespace furlpane {

namespace {

class NoFraming final : public WindowFramingAnalysis {
public:
    std::optional<FramingOffset> scan(const PixelView&, const PixelView&) const override { return std::nullopt; }
    int agreementDepth(const PixelView&, const PixelView&, FramingOffset) const override { return 0; }
    WindowFraming make(const PixelView& framed, FramingOffset offset, int depth, int, int) const override {
        WindowFraming f;
        f.geometry = {framed.width, framed.height, offset.left, offset.top, depth};
        return f;
    }
};

}  // namespace

const WindowFramingAnalysis& noWindowFraming() {
    static const NoFraming analysis;
    return analysis;
}

}  // namespace furlpane
