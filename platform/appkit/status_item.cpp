#include "platform/appkit/status_item.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/application.h"
#include "platform/appkit/text_metrics.h"
#include "platform/desktop/desktop.h"
#include "platform/graphics/bitmap_context.h"

namespace platform {

namespace {

constexpr double kTitlePadding = 8;
constexpr double kImageSide = 16;
constexpr double kImagePadding = 4;
const TextStyle kTitleStyle{13, FontWeight::regular};

}  // namespace

// ---- The button -----------------------------------------------------------------------

void StatusBarButton::setTitle(std::string title) {
    title_ = std::move(title);
    if (item_) item_->contentChanged();
}

void StatusBarButton::setImage(std::optional<Image> image) {
    image_ = std::move(image);
    if (item_) item_->contentChanged();
}

void StatusBarButton::performClick() { click(AppEvent::mouse(AppEventType::leftMouseDown, {}, 1)); }

void StatusBarButton::mouseDown(const AppEvent& event) { click(event); }

void StatusBarButton::click(const AppEvent& event) {
    if (!enabled_ || !item_) return;
    if (item_->menu()) {
        if (Application* app = Application::sharedOrNull()) {
            app->popUpMenu(item_->menu(), MenuPresentationKind::statusItem, event, item_->window().windowNumber());
        }
        return;
    }
    if (action_) {
        auto action = action_;
        action();
    }
}

void StatusBarButton::updateLayer() {
    const std::shared_ptr<Layer>& target = layer();
    const double scale = backingScaleFactor();
    const Rect b = bounds();
    auto context = BitmapContext::create(static_cast<int>(std::ceil(b.width() * scale)),
                                         static_cast<int>(std::ceil(b.height() * scale)), ColorSpace::sRGB());
    if (!context) {
        target->setContents(std::nullopt);
        return;
    }
    context->scaleBy(scale, scale);
    const Window* w = window();
    const bool dark = w && w->effectiveAppearance() == Appearance::dark;
    const Color ink = dark ? Color::white() : Color::black();
    double x = 0;
    if (image_) {
        x = kImagePadding;
        context->drawImage(*image_, {x, (b.height() - kImageSide) / 2, kImageSide, kImageSide});
        x += kImageSide + kImagePadding;
    }
    if (!title_.empty()) {
        if (auto font = Font::create(kTitleStyle.pointSize, kTitleStyle.weight)) {
            const TextLine line(title_, *font);
            const double baseline = (b.height() - font->ascent() - font->descent()) / 2 + font->descent();
            line.draw(*context, {x + kTitlePadding, baseline}, ink);
        }
    }
    target->setContents(context->makeImage());
    target->setContentsScale(scale);
}

// ---- The item -------------------------------------------------------------------------

StatusItem::StatusItem(double length) : length_(length) {
    button_ = std::make_shared<StatusBarButton>(*this);
    window_ = std::make_shared<Panel>(Rect{0, 0, StatusBar::kThickness, StatusBar::kThickness},
                                      borderlessWindowMask | nonactivatingPanelMask);
    window_->setLevel(window_levels::status);
    window_->setCollectionBehavior(canJoinAllSpacesBehavior | stationaryBehavior | ignoresCycleBehavior);
    window_->setHidesOnDeactivate(false);
    window_->setOpaque(false);
    window_->setBackgroundColor(Color::clear());
    window_->setHasShadow(false);
    window_->setContentView(button_);
}

StatusItem::~StatusItem() {
    button_->item_ = nullptr;
    window_->close();
}

double StatusItem::width() const {
    if (length_ == squareLength) return StatusBar::kThickness;
    if (length_ >= 0 && std::isfinite(length_)) return length_;
    double w = 0;
    if (button_->image()) w += kImageSide + 2 * kImagePadding;
    if (!button_->title().empty()) {
        w += fittingTextSize(button_->title(), kTitleStyle, 0, 1, LineBreakMode::byClipping).width + 2 * kTitlePadding;
    }
    return std::max(w, StatusBar::kThickness);
}

void StatusItem::setLength(double length) {
    length_ = length;
    contentChanged();
}

void StatusItem::setVisible(bool visible) {
    visible_ = visible;
    contentChanged();
}

void StatusItem::contentChanged() {
    button_->setNeedsDisplay(true);
    if (desktop::Desktop::currentOrNull()) StatusBar::system().layOut();
}

// ---- The bar --------------------------------------------------------------------------

StatusBar& StatusBar::system() { return desktop::Desktop::current().extension<StatusBar>(); }

std::shared_ptr<StatusItem> StatusBar::statusItem(double length) {
    std::shared_ptr<StatusItem> item(new StatusItem(length));
    entries_.push_back({item, ProcessRun::executing()});
    layOut();
    return item;
}

void StatusBar::removeStatusItem(StatusItem& item) {
    std::shared_ptr<StatusItem> keep = item.shared_from_this();
    std::erase_if(entries_, [&item](const Entry& e) { return e.item.get() == &item; });
    item.window().orderOut();
    layOut();
}

std::vector<std::shared_ptr<StatusItem>> StatusBar::items() {
    dropItemsOfEndedRuns();
    std::vector<std::shared_ptr<StatusItem>> items;
    for (const Entry& e : entries_) items.push_back(e.item);
    return items;
}

std::vector<std::shared_ptr<StatusItem>> StatusBar::itemsOf(const std::shared_ptr<ProcessRun>& run) {
    dropItemsOfEndedRuns();
    std::vector<std::shared_ptr<StatusItem>> items;
    for (const Entry& e : entries_) {
        if (run && e.owner == run) items.push_back(e.item);
    }
    return items;
}

void StatusBar::dropItemsOfEndedRuns() {
    for (;;) {
        auto dead = std::find_if(entries_.begin(), entries_.end(),
                                 [](const Entry& e) { return e.owner && e.owner->hasEnded(); });
        if (dead == entries_.end()) return;
        Entry entry = std::move(*dead);
        entries_.erase(dead);
        // The item goes as the dead run's: nothing it hands over on its way runs.
        InRun as(entry.owner);
        entry.item.reset();
    }
}

void StatusBar::layOut() {
    dropItemsOfEndedRuns();
    const desktop::Display* first = world_.displays().first();
    if (!first) return;
    const Rect bar = world_.displays().topLeftFrame(*first);
    const double h = world_.displays().firstMaxY();
    double x = bar.maxX() - kRightMargin;
    for (const Entry& entry : entries_) {
        const std::shared_ptr<StatusItem>& item = entry.item;
        if (!item->isVisible()) {
            item->window().orderOut();
            continue;
        }
        const double w = item->width();
        x -= w;
        item->window().setFrame(flipRect({x, bar.minY(), w, kThickness}, h), Redisplay::no);
        if (!item->window().isVisible()) item->window().orderFront();
    }
}

}  // namespace platform
