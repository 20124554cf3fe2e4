#include "platform/appkit/layer.h"

#include <algorithm>
#include <cmath>

#include "platform/desktop/desktop.h"

namespace platform {

std::shared_ptr<Layer> Layer::make() { return std::make_shared<Layer>(); }

Layer::~Layer() {
    for (const auto& sub : sublayers_) sub->superlayer_ = nullptr;
}

void Layer::setFrame(const Rect& frame) {
    if (!frame.isFinite()) return;
    frame_ = frame.standardized();
}

bool Layer::isAncestorOf(const Layer* layer) const {
    for (const Layer* l = layer; l; l = l->superlayer_) {
        if (l == this) return true;
    }
    return false;
}

bool Layer::addSublayer(std::shared_ptr<Layer> layer) { return insertSublayer(std::move(layer), sublayers_.size()); }

bool Layer::insertSublayer(std::shared_ptr<Layer> layer, size_t index) {
    if (!layer || layer->isAncestorOf(this)) return false;
    // Keep the layer alive while it changes hands.
    std::shared_ptr<Layer> keep = layer;
    layer->removeFromSuperlayer();
    index = std::min(index, sublayers_.size());
    sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), keep);
    keep->superlayer_ = this;
    return true;
}

void Layer::removeFromSuperlayer() {
    Layer* parent = superlayer_;
    if (!parent) return;
    superlayer_ = nullptr;
    auto& siblings = parent->sublayers_;
    auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& l) { return l.get() == this; });
    // Erasing may drop the last owner of this layer, so nothing may touch it after.
    if (it != siblings.end()) siblings.erase(it);
}

// ---- Transactions ---------------------------------------------------------------------

namespace {

// The transaction state of one world: the process's own, since every world is a process.
struct TransactionState {
    explicit TransactionState(desktop::Desktop&) {}
    struct Level {
        bool disableActions = false;
        double duration = 0.25;
    };
    std::vector<Level> open;
    Level implicit;
    int flushes = 0;
    int commits = 0;

    Level& current() { return open.empty() ? implicit : open.back(); }
};

TransactionState* state() {
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    return world ? &world->extension<TransactionState>() : nullptr;
}

}  // namespace

void Transaction::begin() {
    if (TransactionState* s = state()) s->open.push_back({});
}

void Transaction::commit() {
    TransactionState* s = state();
    if (!s || s->open.empty()) return;
    s->open.pop_back();
    if (s->open.empty()) ++s->commits;
}

void Transaction::flush() {
    TransactionState* s = state();
    if (!s) return;
    ++s->flushes;
    if (s->open.empty()) {
        s->implicit = {};
        ++s->commits;
    }
}

void Transaction::setDisableActions(bool disable) {
    if (TransactionState* s = state()) s->current().disableActions = disable;
}

bool Transaction::disableActions() {
    TransactionState* s = state();
    return s && s->current().disableActions;
}

void Transaction::setAnimationDuration(double seconds) {
    if (TransactionState* s = state(); s && std::isfinite(seconds) && seconds >= 0) s->current().duration = seconds;
}

double Transaction::animationDuration() {
    TransactionState* s = state();
    return s ? s->current().duration : 0.25;
}

int Transaction::flushCount() {
    TransactionState* s = state();
    return s ? s->flushes : 0;
}

int Transaction::commitCount() {
    TransactionState* s = state();
    return s ? s->commits : 0;
}

int Transaction::depth() {
    TransactionState* s = state();
    return s ? static_cast<int>(s->open.size()) : 0;
}

}  // namespace platform
