// Grids: rows of cells in shared columns.

#include <algorithm>

#include "platform/ui/node.h"
#include "platform/ui/views.h"

namespace platform::ui {

namespace detail {
namespace {

class GridRowNode final : public Node {
public:
    explicit GridRowNode(std::optional<VerticalAlignment> alignment) : alignment(alignment) {}
    ControlKind kind() const override { return ControlKind::other; }
    std::string outlineLine() const override { return "GridRow"; }
    std::optional<VerticalAlignment> alignment;
};

class GridNode final : public Node {
public:
    GridNode(Alignment alignment, double horizontalSpacing, double verticalSpacing)
        : alignment_(alignment), hSpacing_(horizontalSpacing), vSpacing_(verticalSpacing) {}

    Size sizeThatFits(const Proposal& p) override {
        const Layout layout = lay(p.width);
        return {layout.width, layout.height};
    }

    void place(const Rect& r) override {
        frame = r;
        const Layout layout = lay(r.width());
        double y = r.minY();
        for (size_t i = 0; i < children.size(); ++i) {
            Node& row = *children[i];
            const double height = layout.rowHeights[i];
            if (auto* cells = dynamic_cast<GridRowNode*>(&row)) {
                placeRow(*cells, layout, r.minX(), y, height);
            } else {
                const Rect slot{r.minX(), y, layout.width, height};
                const Size s = row.measure({layout.width, height});
                row.place({aligned(slot, s, {alignment_.horizontal, VerticalAlignment::center}), s});
            }
            y += height + vSpacing_;
        }
    }

    ControlKind kind() const override { return ControlKind::grid; }
    std::string outlineLine() const override { return "Grid"; }

private:
    struct Layout {
        std::vector<double> columnWidths;
        std::vector<double> rowHeights;
        double width = 0;
        double height = 0;
    };

    std::vector<Node*> cellsOf(size_t row) const {
        std::vector<Node*> cells;
        if (auto* r = dynamic_cast<GridRowNode*>(children[row].get())) {
            for (const auto& cell : r->children) cells.push_back(cell.get());
        }
        return cells;
    }

    size_t columnCount() const {
        size_t count = 0;
        for (size_t i = 0; i < children.size(); ++i) count = std::max(count, cellsOf(i).size());
        return count;
    }

    // Columns take their widest cell's ideal width; columns with a flexible cell share
    // what the offer leaves over (or give up what it lacks).
    std::vector<double> columnWidths(std::optional<double> offered) const {
        const size_t count = columnCount();
        std::vector<double> widths(count, 0);
        std::vector<bool> flexible(count, false);
        for (size_t i = 0; i < children.size(); ++i) {
            const std::vector<Node*> cells = cellsOf(i);
            for (size_t c = 0; c < cells.size(); ++c) {
                const double ideal = cells[c]->measure({}).width;
                widths[c] = std::max(widths[c], ideal);
                if (cells[c]->flexibility(Axis::horizontal, std::nullopt).second > ideal + 0.5) flexible[c] = true;
            }
        }
        const size_t flexibleCount = size_t(std::count(flexible.begin(), flexible.end(), true));
        if (!offered || flexibleCount == 0) return widths;
        double used = count > 0 ? hSpacing_ * double(count - 1) : 0;
        for (double w : widths) used += w;
        const double share = (*offered - used) / double(flexibleCount);
        for (size_t c = 0; c < count; ++c) {
            if (flexible[c]) widths[c] = std::max(0.0, widths[c] + share);
        }
        return widths;
    }

    Layout lay(std::optional<double> offered) const {
        Layout layout;
        layout.columnWidths = columnWidths(offered);
        const size_t count = layout.columnWidths.size();
        double columns = count > 0 ? hSpacing_ * double(count - 1) : 0;
        for (double w : layout.columnWidths) columns += w;
        layout.width = columns;
        for (size_t i = 0; i < children.size(); ++i) {
            if (!dynamic_cast<GridRowNode*>(children[i].get())) {
                layout.width = std::max(layout.width, children[i]->measure({offered, std::nullopt}).width);
            }
        }
        for (size_t i = 0; i < children.size(); ++i) {
            double height = 0;
            const std::vector<Node*> cells = cellsOf(i);
            if (cells.empty() && !dynamic_cast<GridRowNode*>(children[i].get())) {
                height = children[i]->measure({layout.width, std::nullopt}).height;
            }
            for (size_t c = 0; c < cells.size(); ++c) {
                height = std::max(height, cells[c]->measure({layout.columnWidths[c], std::nullopt}).height);
            }
            layout.rowHeights.push_back(height);
            layout.height += height;
        }
        if (!children.empty()) layout.height += vSpacing_ * double(children.size() - 1);
        return layout;
    }

    HorizontalAlignment columnAlignment(size_t column) const {
        for (size_t i = 0; i < children.size(); ++i) {
            const std::vector<Node*> cells = cellsOf(i);
            if (column < cells.size() && cells[column]->gridColumnAlignment) return *cells[column]->gridColumnAlignment;
        }
        return alignment_.horizontal;
    }

    void placeRow(GridRowNode& row, const Layout& layout, double x, double y, double height) {
        row.frame = {x, y, layout.width, height};
        const VerticalAlignment vertical = row.alignment.value_or(alignment_.vertical);
        for (size_t c = 0; c < row.children.size(); ++c) {
            const double width = layout.columnWidths[c];
            const Rect slot{x, y, width, height};
            Node& cell = *row.children[c];
            Size s = cell.measure({width, height});
            s.width = std::min(s.width, width);
            cell.place({aligned(slot, s, {columnAlignment(c), vertical}), s});
            x += width + hSpacing_;
        }
    }

    Alignment alignment_;
    double hSpacing_;
    double vSpacing_;
};

}  // namespace
}  // namespace detail

using namespace detail;

View Grid(std::vector<View> rows, GridOptions options) {
    return container<GridNode>(std::move(rows), ChildAxis::none, options.alignment, spacingOr(options.horizontalSpacing),
                               spacingOr(options.verticalSpacing));
}

View GridRow(std::vector<View> cells, std::optional<VerticalAlignment> alignment) {
    return container<GridRowNode>(std::move(cells), ChildAxis::horizontal, alignment);
}

}  // namespace platform::ui
