#pragma once

// The toolkit's views that show and arrange: text, symbol and bitmap images, labels,
// stacks, grids, spacers, dividers, shapes, scroll views and tab views.
//
// Layout follows one rule everywhere: a parent offers its child a size (a width and a
// height, each possibly unspecified, meaning "as you would like"), the child answers
// the size it takes, and the parent places it. Stacks share their length among their
// children from the least flexible to the most, each child offered an equal part of
// what is left; spacers and views with unbounded frames take what remains. Text wraps
// to the width it is offered. Sizes are in points.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/graphics/image.h"
#include "platform/ui/view.h"

namespace platform::ui {

// The spacing stacks and grids use when none is given.
inline constexpr double kDefaultSpacing = 8;

View EmptyView();
// Plain text, shown as it stands.
View Text(std::string text);
// A system symbol image by name, sized by the font; an unknown name draws nothing in a
// square of the same size.
View SymbolImage(std::string name);
// A picture stretched into the frame it is given; its natural size is its size in
// points (pixels divided by `scale`).
View BitmapImage(Image image, double scale = 1);
// A symbol (or any icon view) and a title side by side.
View Label(std::string title, std::string symbolName);
View Label(View title, View icon);

struct VStackOptions {
    HorizontalAlignment alignment = HorizontalAlignment::center;
    std::optional<double> spacing{};
};
struct HStackOptions {
    VerticalAlignment alignment = VerticalAlignment::center;
    std::optional<double> spacing{};
};
View VStack(std::vector<View> children, VStackOptions options = {});
View HStack(std::vector<View> children, HStackOptions options = {});
// Children over one another, the first lowest.
View ZStack(std::vector<View> children, Alignment alignment = {});
// Children that join the container the group stands in, as if written there.
View Group(std::vector<View> children);

// Takes the space left along its stack's axis, at least `minLength` (8 unless given).
View Spacer(std::optional<double> minLength = std::nullopt);
// A one-point line across the stack's axis (horizontal outside a horizontal stack).
View Divider();

struct GridOptions {
    Alignment alignment = Alignment::center();
    std::optional<double> horizontalSpacing{};
    std::optional<double> verticalSpacing{};
};
// Rows of cells in columns as wide as their widest cell; a column with a flexible cell
// shares the width left over. A child that is not a GridRow spans every column.
View Grid(std::vector<View> rows, GridOptions options = {});
View GridRow(std::vector<View> cells, std::optional<VerticalAlignment> alignment = std::nullopt);

// Shapes fill the frame they are offered.
struct Shape {
    enum class Kind { rectangle, roundedRectangle, capsule, circle };
    Kind kind = Kind::rectangle;
    double cornerRadius = 0;

    static Shape rectangle() { return {}; }
    static Shape roundedRectangle(double radius) { return {Kind::roundedRectangle, radius}; }
    static Shape capsule() { return {Kind::capsule, 0}; }
    static Shape circle() { return {Kind::circle, 0}; }

    View fill(Style style) const;
    // A line of `width` inside the shape's edge.
    View strokeBorder(Style style, double width = 1) const;
};

enum class ScrollIndicators { automatic, visible, hidden };
// Scrolls its content vertically. The content is offered the scroll view's width and
// as much height as it wants; the scroll view takes all it is offered.
View ScrollView(View content, ScrollIndicators indicators = ScrollIndicators::automatic);

// One tab of a tab view: its label, its symbol, the value it stands for and how to make
// its content. Only the chosen tab's content is made.
struct Tab {
    std::string label;
    std::string symbolName;
    Tag value;
    std::function<View()> content;
};
// A bar of tabs over the chosen tab's content; picking a tab writes its value.
View TabView(Binding<Tag> selection, std::vector<Tab> tabs);

template <class T>
Tab makeTab(std::string label, std::string symbolName, T value, std::function<View()> content) {
    return Tab{std::move(label), std::move(symbolName), Tag::of(std::move(value)), std::move(content)};
}

template <class T>
View TabView(Binding<T> selection, std::vector<Tab> tabs) {
    Binding<Tag> tags([selection] { return Tag::of(selection.get()); },
                      [selection](Tag tag) {
                          if (const T* value = tag.as<T>()) selection.set(*value);
                      });
    return TabView(std::move(tags), std::move(tabs));
}

// One view per item, each identified by its key.
template <class Item, class Key, class Make>
View ForEach(const std::vector<Item>& items, Key key, Make make) {
    std::vector<View> views;
    views.reserve(items.size());
    for (const Item& item : items) views.push_back(make(item).id(key(item)));
    return Group(std::move(views));
}

}  // namespace platform::ui
