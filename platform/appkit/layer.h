#pragma once

// Layers: the records a window's picture is composed from, and the transactions that
// commit their changes.
//
// A layer has a frame in its superlayer's coordinates (origin at the bottom-left corner,
// y upwards, in points; its own bounds start at 0, 0), contents (an image) laid into the
// bounds by the contents gravity at the contents scale (image pixels per point), a
// background colour, a corner radius applied to the masked corners, masking of its
// sublayers and contents to the bounds, opacity and sublayers drawn in order (the first
// one lowest). See layer_rendering.h for how a tree becomes pixels.
//
// Changes take effect at once: there are no implicit animations here, so the disabled
// actions of a transaction are recorded but change nothing. A transaction's flush and
// commits are counted per world (the process's transaction state), so a test can see that
// a change was pushed to the screen. Without a world the transaction calls do nothing and
// count nothing.
//
// Layers are shared (std::shared_ptr) and main-thread objects. A sublayer is held by its
// superlayer; the superlayer pointer does not own. Adding a layer to a new superlayer
// takes it from its old one; adding a layer under itself or one of its own sublayers is
// refused (the tree stays a tree).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/geometry.h"
#include "platform/graphics/color_space.h"
#include "platform/graphics/image.h"

namespace platform {

// Where contents go in the bounds when they do not fill them, as the layer's own
// (y upwards) coordinates name the edges: `top` is the maxY edge.
enum class ContentsGravity {
    center,
    top,
    bottom,
    left,
    right,
    topLeft,
    topRight,
    bottomLeft,
    bottomRight,
    resize,
    resizeAspect,
    resizeAspectFill,
};

// Which corners the corner radius rounds, named by the layer's own coordinates.
enum LayerCorner : uint32_t {
    minXMinYCorner = 1,
    maxXMinYCorner = 2,
    minXMaxYCorner = 4,
    maxXMaxYCorner = 8,
    allLayerCorners = 15,
};

enum class LayerFilter { linear, nearest, trilinear };

class Layer : public std::enable_shared_from_this<Layer> {
public:
    static std::shared_ptr<Layer> make();
    Layer() = default;
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // ---- Geometry
    const Rect& frame() const { return frame_; }
    // A frame with a negative size is standardised; a frame that is not finite is ignored.
    void setFrame(const Rect& frame);
    Rect bounds() const { return {0, 0, frame_.size.width, frame_.size.height}; }

    // ---- Contents
    const std::optional<Image>& contents() const { return contents_; }
    void setContents(std::optional<Image> contents) { contents_ = std::move(contents); }
    // What the screen shows of this layer; layers that draw in another way (a layer fed
    // by the graphics processor) give their latest picture here.
    virtual std::optional<Image> presentedContents() const { return contents_; }
    ContentsGravity contentsGravity() const { return gravity_; }
    void setContentsGravity(ContentsGravity gravity) { gravity_ = gravity; }
    // Image pixels per point. The value is kept as given; drawing treats one that is not
    // a positive finite number as 1.
    double contentsScale() const { return contentsScale_; }
    void setContentsScale(double scale) { contentsScale_ = scale; }
    LayerFilter minificationFilter() const { return minification_; }
    void setMinificationFilter(LayerFilter filter) { minification_ = filter; }
    LayerFilter magnificationFilter() const { return magnification_; }
    void setMagnificationFilter(LayerFilter filter) { magnification_ = filter; }

    // ---- Appearance
    const std::optional<Color>& backgroundColor() const { return background_; }
    void setBackgroundColor(std::optional<Color> color) { background_ = color; }
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius) { cornerRadius_ = radius; }
    uint32_t maskedCorners() const { return maskedCorners_; }
    void setMaskedCorners(uint32_t corners) { maskedCorners_ = corners & allLayerCorners; }
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks) { masksToBounds_ = masks; }
    // Kept as given; drawing clamps it to 0...1.
    double opacity() const { return opacity_; }
    void setOpacity(double opacity) { opacity_ = opacity; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width) { borderWidth_ = width; }
    const std::optional<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> color) { borderColor_ = color; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // ---- Tree
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
    Layer* superlayer() const { return superlayer_; }
    // False (nothing changes) for a null layer, this layer or one of its ancestors.
    bool addSublayer(std::shared_ptr<Layer> layer);
    // At `index` among the sublayers (clamped to the end).
    bool insertSublayer(std::shared_ptr<Layer> layer, size_t index);
    void removeFromSuperlayer();
    // Whether `layer` lies in this layer's subtree (this layer included).
    bool isAncestorOf(const Layer* layer) const;

    // ---- Display
    void setNeedsDisplay() { needsDisplay_ = true; }
    bool needsDisplay() const { return needsDisplay_; }
    void clearNeedsDisplay() { needsDisplay_ = false; }

private:
    Rect frame_{};
    std::optional<Image> contents_;
    ContentsGravity gravity_ = ContentsGravity::resize;
    double contentsScale_ = 1;
    LayerFilter minification_ = LayerFilter::linear;
    LayerFilter magnification_ = LayerFilter::linear;
    std::optional<Color> background_;
    double cornerRadius_ = 0;
    uint32_t maskedCorners_ = allLayerCorners;
    bool masksToBounds_ = false;
    double opacity_ = 1;
    bool hidden_ = false;
    double borderWidth_ = 0;
    std::optional<Color> borderColor_;
    std::string name_;
    bool needsDisplay_ = false;
    std::vector<std::shared_ptr<Layer>> sublayers_;
    Layer* superlayer_ = nullptr;
};

// Layer transactions of the current world. begin/commit nest; the outermost commit counts
// as one commit. flush counts a flush and commits whatever an implicit transaction holds.
class Transaction {
public:
    static void begin();
    static void commit();
    static void flush();
    // Applies to the innermost open transaction; without one, to the next implicit one.
    static void setDisableActions(bool disable);
    static bool disableActions();
    static void setAnimationDuration(double seconds);
    static double animationDuration();

    static int flushCount();
    static int commitCount();
    static int depth();
};

}  // namespace platform
