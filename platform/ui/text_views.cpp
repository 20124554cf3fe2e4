// Text, images, labels and shapes.

#include <algorithm>
#include <cmath>

#include "platform/ui/node.h"
#include "platform/ui/painter.h"
#include "platform/ui/symbols.h"
#include "platform/ui/text_measure.h"
#include "platform/ui/text_nodes.h"
#include "platform/ui/views.h"

namespace platform::ui {

namespace detail {

// ---- Text -------------------------------------------------------------------------------

TextNode::TextNode(std::string text) : text_(std::move(text)) {}

TextLayout TextNode::layout(std::optional<double> width) const {
    if (!width) return measureText(text_, env.font, std::nullopt, env.lineLimit);
    // One line is cut at its end to the width.
    if (env.lineLimit == 1) return measureText(text_, env.font, width, 1);
    const double ideal = measureText(text_, env.font, std::nullopt, env.lineLimit).size.width;
    if (*width >= ideal) return measureText(text_, env.font, std::nullopt, env.lineLimit);
    // Words are not broken inside: the narrowest a text gets is its widest word.
    return measureText(text_, env.font, std::max(*width, widestWord(text_, env.font)), env.lineLimit);
}

Size TextNode::sizeThatFits(const Proposal& p) {
    std::optional<double> width = p.width;
    if (width && !std::isfinite(*width)) width.reset();
    const TextLayout l = layout(width);
    return {std::ceil(l.size.width), std::ceil(l.size.height)};
}

std::pair<double, double> TextNode::range(Axis axis, std::optional<double> across) {
    if (axis == Axis::horizontal) return {widestWord(text_, env.font), measure({}).width};
    const double height = measure({across, std::nullopt}).height;
    return {height, height};
}

void TextNode::drawText(Painter& painter, const Color& color) const {
    const TextLayout l = layout(frame.width());
    for (size_t i = 0; i < l.lines.size(); ++i) {
        const Point origin{frame.minX(), frame.minY() + l.lineHeight * double(i) + l.ascent};
        painter.text(l.lines[i], env.font, origin, color);
        if (env.strikethrough) {
            const double y = origin.y - env.font.size * 0.3;
            painter.line({origin.x, y}, {origin.x + l.lineWidths[i], y}, color, std::max(1.0, env.font.size / 13));
        }
    }
}

void TextNode::draw(Painter& painter) const { drawText(painter, env.foreground.resolved()); }

std::string TextNode::outlineLine() const {
    std::string line = "Text \"" + text_ + "\"";
    if (env.font.name != "body") line += " " + env.font.name;
    if (env.font.design == FontDesign::monospaced) line += " monospaced";
    if (!(env.foreground == Style::primary())) line += " " + env.foreground.name();
    if (env.strikethrough) line += " struck";
    if (env.lineLimit) line += " lines=" + std::to_string(*env.lineLimit);
    return line;
}

// ---- Symbol images ----------------------------------------------------------------------

SymbolNode::SymbolNode(std::string name) : name_(std::move(name)) {}

double SymbolNode::side() const { return std::round(env.font.size * 1.25); }

Size SymbolNode::sizeThatFits(const Proposal&) { return {side(), side()}; }

void SymbolNode::drawSymbol(Painter& painter, const Color& color) const {
    const double s = std::min(frame.width(), frame.height());
    detail::drawSymbol(painter, name_, {aligned(frame, {s, s}, Alignment::center()), Size{s, s}}, color);
}

void SymbolNode::draw(Painter& painter) const { drawSymbol(painter, env.foreground.resolved()); }

std::string SymbolNode::outlineLine() const { return "Image " + name_; }

namespace {

class BitmapNode final : public Node {
public:
    BitmapNode(Image image, double scale) : image_(std::move(image)), scale_(scale) {}
    Size sizeThatFits(const Proposal& p) override {
        return {p.width.value_or(image_.width() / scale_), p.height.value_or(image_.height() / scale_)};
    }
    void draw(Painter& painter) const override { painter.image(image_, frame); }
    ControlKind kind() const override { return ControlKind::image; }
    std::string outlineLine() const override { return "Image bitmap"; }

private:
    Image image_;
    double scale_;
};

template <class N, class Payload>
class LeafElement final : public Element {
public:
    explicit LeafElement(Payload payload) : payload_(std::move(payload)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override { return makeNode<N>(scope, payload_); }

private:
    Payload payload_;
};

class BitmapElement final : public Element {
public:
    BitmapElement(Image image, double scale) : image_(std::move(image)), scale_(scale) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override { return makeNode<BitmapNode>(scope, image_, scale_); }

private:
    Image image_;
    double scale_;
};

// ---- Labels ---------------------------------------------------------------------------

class LabelNode final : public Node {
public:
    Node& icon() const { return *children[0]; }
    Node& titleNode() const { return *children[1]; }

    Size sizeThatFits(const Proposal& p) override {
        const Size i = icon().measure({});
        std::optional<double> rest = p.width;
        if (rest) rest = std::max(0.0, *rest - i.width - kGap);
        const Size t = titleNode().measure({rest, p.height});
        return {i.width + kGap + t.width, std::max(i.height, t.height)};
    }
    void place(const Rect& r) override {
        frame = r;
        const Size i = icon().measure({});
        // The icon stands beside the title's first line.
        const double firstLine = std::min(r.height(), measureText("X", titleNode().env.font, {}, 1).lineHeight);
        icon().place({{r.minX(), r.minY() + std::max(0.0, (firstLine - i.height) / 2)}, i});
        const Rect rest{r.minX() + i.width + kGap, r.minY(), std::max(0.0, r.width() - i.width - kGap), r.height()};
        const Size t = titleNode().measure({rest.width(), rest.height()});
        titleNode().place({aligned(rest, t, Alignment::leading()), t});
    }
    ControlKind kind() const override { return ControlKind::label; }
    std::string title() const override { return children[1]->title(); }
    std::string outlineLine() const override { return "Label \"" + title() + "\""; }
    std::vector<const Node*> outlineChildren() const override { return {}; }

private:
    static constexpr double kGap = 6;
};

class LabelElement final : public Element {
public:
    LabelElement(View title, View icon) : title_(std::move(title)), icon_(std::move(icon)) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        auto node = makeNode<LabelNode>(scope);
        node->children.push_back(scope.nested("icon").resolve(icon_));
        node->children.push_back(scope.nested("title").resolve(title_));
        return node;
    }

private:
    View title_;
    View icon_;
};

// ---- Shapes -----------------------------------------------------------------------------

class ShapeNode final : public Node {
public:
    ShapeNode(Shape shape, Style style, std::optional<double> strokeWidth)
        : shape_(shape), style_(std::move(style)), strokeWidth_(strokeWidth) {}

    Size sizeThatFits(const Proposal& p) override { return {p.width.value_or(10), p.height.value_or(10)}; }
    void draw(Painter& painter) const override {
        const Color color = style_.resolved();
        const double radius = shape_.kind == Shape::Kind::roundedRectangle ? shape_.cornerRadius
                              : shape_.kind == Shape::Kind::rectangle     ? 0
                                                                          : std::min(frame.width(), frame.height()) / 2;
        const bool ellipse = shape_.kind == Shape::Kind::circle;
        if (strokeWidth_) {
            if (ellipse) painter.strokeEllipse(frame, color, *strokeWidth_);
            else painter.strokeRoundedRect(frame, radius, color, *strokeWidth_);
        } else if (ellipse) {
            painter.fillEllipse(frame, color);
        } else {
            painter.fillRoundedRect(frame, radius, color);
        }
    }
    ControlKind kind() const override { return ControlKind::shape; }

private:
    Shape shape_;
    Style style_;
    std::optional<double> strokeWidth_;
};

class ShapeElement final : public Element {
public:
    ShapeElement(Shape shape, Style style, std::optional<double> strokeWidth)
        : shape_(shape), style_(std::move(style)), strokeWidth_(strokeWidth) {}
    std::unique_ptr<Node> resolve(Scope& scope) const override {
        return makeNode<ShapeNode>(scope, shape_, style_, strokeWidth_);
    }

private:
    Shape shape_;
    Style style_;
    std::optional<double> strokeWidth_;
};

}  // namespace
}  // namespace detail

using namespace detail;

View Text(std::string text) { return View(std::make_shared<LeafElement<TextNode, std::string>>(std::move(text))); }

View SymbolImage(std::string name) {
    return View(std::make_shared<LeafElement<SymbolNode, std::string>>(std::move(name)));
}

View BitmapImage(Image image, double scale) {
    const double s = std::isfinite(scale) && scale > 0 ? scale : 1;
    return View(std::make_shared<BitmapElement>(std::move(image), s));
}

View Label(std::string title, std::string symbolName) {
    return Label(Text(std::move(title)), SymbolImage(std::move(symbolName)));
}

View Label(View title, View icon) { return View(std::make_shared<LabelElement>(std::move(title), std::move(icon))); }

View Shape::fill(Style style) const { return View(std::make_shared<ShapeElement>(*this, std::move(style), std::nullopt)); }

View Shape::strokeBorder(Style style, double width) const {
    const double w = std::isfinite(width) && width > 0 ? width : 1;
    return View(std::make_shared<ShapeElement>(*this, std::move(style), w));
}

}  // namespace platform::ui
