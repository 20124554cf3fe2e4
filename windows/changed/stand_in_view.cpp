// What a stand-in's view draws: the picture as a thumbnail, a title strip or whole, the
// application icon on thumbnails, and the float badge.

#include <algorithm>
#include <cmath>

#include "platform/appkit/layer.h"
#include "windows/access/main_thread.h"
#include "windows/changed/bitmap_drawing.h"
#include "windows/changed/stand_in_panel.h"

namespace furlpane {

using platform::Layer;
using platform::Rect;
using platform::Transaction;

namespace {

constexpr double kTitleStripCornerRadius = 8.0;
constexpr double kThumbnailCornerRadius = 4.0;

// A transaction without implicit animations around the body.
template <class F>
void withoutAnimations(F&& body) {
    Transaction::begin();
    Transaction::setDisableActions(true);
    body();
    Transaction::commit();
}

void addIfDetached(Layer& parent, const std::shared_ptr<Layer>& layer, size_t index) {
    if (!layer->superlayer()) parent.insertSublayer(layer, index);
}

}  // namespace

StandInView::StandInView(const Rect& frame)
    : platform::View(frame), thumbnailLayer_(Layer::make()), iconLayer_(Layer::make()), badgeLayer_(Layer::make()) {
    setWantsLayer(true);
    setLayerContentsRedrawPolicy(platform::LayerContentsRedrawPolicy::onSetNeedsDisplay);
    thumbnailLayer_->setContentsGravity(platform::ContentsGravity::resize);
    thumbnailLayer_->setMinificationFilter(platform::LayerFilter::trilinear);
    iconLayer_->setContentsGravity(platform::ContentsGravity::resizeAspect);
}

void StandInView::setImage(std::optional<platform::Image> image) {
    image_ = std::move(image);
    setNeedsDisplay(true);
    setNeedsLayout(true);
}

void StandInView::setLook(StandInLook look) {
    look_ = std::move(look);
    setNeedsDisplay(true);
    setNeedsLayout(true);
}

void StandInView::setApplicationIcon(std::optional<platform::Image> icon) {
    applicationIcon_ = std::move(icon);
    iconBitmap_.reset();
    setNeedsLayout(true);
}

void StandInView::setFloatBadge(std::optional<FloatBadge> badge) {
    if (badge == floatBadge_) return;
    floatBadge_ = badge;
    setNeedsLayout(true);
}

Rect StandInView::layerRect(const Rect& r) const {
    return Rect(r.minX(), bounds().height() - r.maxY(), r.width(), r.height());
}

bool StandInView::acceptsFirstMouse(const platform::AppEvent*) const {
    requireMainThread("StandInView.acceptsFirstMouse");
    return true;
}

void StandInView::viewDidChangeBackingProperties() {
    requireMainThread("StandInView.viewDidChangeBackingProperties");
    setNeedsLayout(true);
}

void StandInView::setFrameSize(platform::Size size) {
    requireMainThread("StandInView.setFrameSize");
    platform::View::setFrameSize(size);
    if (floatBadge_) setNeedsLayout(true);
}

void StandInView::updateLayer() {
    requireMainThread("StandInView.updateLayer");
    if (!image_) return;
    withoutAnimations([&] {
        Layer& own = *layer();
        switch (look_.kind()) {
            case StandInLook::Kind::thumbnail:
                own.setContents(std::nullopt);
                own.setMasksToBounds(false);
                own.setCornerRadius(0);
                thumbnailLayer_->setContents(image_);
                break;
            case StandInLook::Kind::titleBar: {
                // The picture at full width from its top, cut at the strip's height, with
                // the strip's bottom corners rounded.
                const double width = bounds().width();
                own.setContents(image_);
                own.setContentsGravity(platform::ContentsGravity::top);
                own.setContentsScale(width > 0 ? double(image_->width()) / width : 1.0);
                own.setMasksToBounds(true);
                own.setCornerRadius(kTitleStripCornerRadius);
                own.setMaskedCorners(platform::minXMinYCorner | platform::maxXMinYCorner);
                break;
            }
            case StandInLook::Kind::whole:
                own.setContents(image_);
                own.setContentsGravity(platform::ContentsGravity::resize);
                own.setMasksToBounds(false);
                own.setCornerRadius(0);
                break;
        }
    });
}

void StandInView::layout() {
    requireMainThread("StandInView.layout");
    platform::View::layout();
    if (!wantsLayer()) return;
    const double scale = backingScaleFactor();
    withoutAnimations([&] {
        layOutBadge(scale);
        if (const auto& thumbnail = look_.layout(); look_.kind() == StandInLook::Kind::thumbnail && thumbnail) {
            layOutThumbnail(*thumbnail, scale);
        } else {
            thumbnailLayer_->removeFromSuperlayer();
            iconLayer_->removeFromSuperlayer();
        }
    });
}

void StandInView::layOutBadge(double scale) {
    const auto place =
        floatBadge_ ? FloatBadge::rect(*floatBadge_, Rect(0, 0, bounds().width(), bounds().height())) : std::nullopt;
    if (!place) {
        badgeLayer_->removeFromSuperlayer();
        return;
    }
    if (!badgeLayer_->superlayer()) layer()->addSublayer(badgeLayer_);
    badgeLayer_->setFrame(layerRect(*place));
    badgeLayer_->setContents(floatBadgeImage(scale));
    badgeLayer_->setContentsScale(scale);
    badgeLayer_->setContentsGravity(platform::ContentsGravity::resize);
    badgeLayer_->setOpacity(FloatBadge::kOpacity);
}

void StandInView::layOutThumbnail(const ThumbnailLayout& thumbnail, double scale) {
    // The picture and the icon lie below the badge, should one be shown.
    addIfDetached(*layer(), thumbnailLayer_, 0);
    thumbnailLayer_->setFrame(layerRect(thumbnail.imageFrame));
    thumbnailLayer_->setCornerRadius(kThumbnailCornerRadius);
    thumbnailLayer_->setMasksToBounds(true);
    const auto icon = thumbnail.iconFrame ? iconImage(thumbnail.iconFrame->width(), scale) : std::nullopt;
    if (!icon) {
        iconLayer_->removeFromSuperlayer();
        return;
    }
    addIfDetached(*layer(), iconLayer_, 1);
    iconLayer_->setFrame(layerRect(*thumbnail.iconFrame));
    iconLayer_->setContentsScale(scale);
    iconLayer_->setContents(icon);
}

std::optional<platform::Image> StandInView::iconImage(double side, double scale) {
    if (!applicationIcon_) return std::nullopt;
    const double wanted = platform::rounded(side * scale);
    const int pixels = std::max(1, platform::truncatingInt32(std::isnan(wanted) ? 1 : wanted));
    const platform::ColorSpace space =
        image_ && image_->colorSpace().isRGB() ? image_->colorSpace() : platform::ColorSpace::sRGB();
    if (iconBitmap_ && iconBitmap_->pixels == pixels && iconBitmap_->space == space) return iconBitmap_->image;
    auto drawn = drawIntoBitmap(*applicationIcon_, pixels, space);
    if (!drawn) return std::nullopt;
    iconBitmap_ = IconBitmap{*drawn, pixels, space};
    return drawn;
}

}  // namespace furlpane
