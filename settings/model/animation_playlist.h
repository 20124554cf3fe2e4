#pragma once

// The random order of animations: a playlist deals the nineteen playlist choices of
// its kind in shuffled rounds, each choice once per round, and never the same choice
// twice in a row across the seam of two rounds.
//
// Only `upcoming` survives a restart (as raw strings). `isFreshRound` is true from the
// moment next() dealt the last choice of a round and refilled `upcoming` until the next
// include() or next(); it lets include() undo that refill.
//
// A playlist is a value; its copies share one random source.

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/model/animation_choices.h"
#include "settings/model/random_source.h"

namespace furlpane {

template <AnimationChoice C>
class AnimationPlaylist {
public:
    // Builds the playlist from a stored upcoming list: strings that name no case, and
    // choices that are not dealt or came before, are dropped; when nothing is left the
    // playlist starts with a full shuffled round.
    static AnimationPlaylist restore(const std::vector<std::string>& stored, std::shared_ptr<RandomSource> random) {
        AnimationPlaylist playlist(std::move(random));
        for (const std::string& raw : stored) {
            const auto choice = fromRawValue<C>(std::string_view(raw));
            if (choice && playlist.isDealt(*choice) && !playlist.isUpcoming(*choice)) playlist.upcoming_.push_back(*choice);
        }
        if (playlist.upcoming_.empty()) playlist.upcoming_ = playlist.shuffled();
        return playlist;
    }

    // The choices the playlist deals: always the kind's nineteen playlist choices.
    std::vector<C> animations() const {
        const auto all = playlistChoices<C>();
        return std::vector<C>(all.begin(), all.end());
    }
    // The choices still to be dealt in this round, in dealing order; never empty.
    const std::vector<C>& upcoming() const { return upcoming_; }
    bool isFreshRound() const { return isFreshRound_; }

    // Deals the next choice; refills a shuffled round after the last one, making sure
    // the new round does not begin with the choice just dealt.
    C next() {
        if (upcoming_.empty()) upcoming_ = shuffled();  // cannot happen; keeps next() total
        const C dealt = upcoming_.front();
        upcoming_.erase(upcoming_.begin());
        isFreshRound_ = upcoming_.empty();
        if (isFreshRound_) {
            upcoming_ = shuffled();
            if (upcoming_.size() >= 2 && upcoming_.front() == dealt) {
                const size_t k = 1 + static_cast<size_t>(random_->below(upcoming_.size() - 1));
                std::swap(upcoming_[0], upcoming_[k]);
            }
        }
        return dealt;
    }

    // Gives back a choice that was dealt for a transition that never ran, so that it is
    // dealt next. A choice the playlist does not deal changes nothing.
    void include(C choice) {
        if (!isDealt(choice)) return;
        if (isFreshRound_) {
            upcoming_ = {choice};
        } else if (!isUpcoming(choice)) {
            upcoming_.insert(upcoming_.begin(), choice);
        }
        isFreshRound_ = false;
    }

    // The stored form of `upcoming`: raw values in order.
    std::vector<std::string> storedForm() const {
        std::vector<std::string> raws;
        raws.reserve(upcoming_.size());
        for (C choice : upcoming_) raws.emplace_back(rawValue(choice));
        return raws;
    }

    friend bool operator==(const AnimationPlaylist& a, const AnimationPlaylist& b) {
        return a.upcoming_ == b.upcoming_ && a.isFreshRound_ == b.isFreshRound_;
    }

private:
    explicit AnimationPlaylist(std::shared_ptr<RandomSource> random) : random_(std::move(random)) {}

    static bool isDealt(C choice) { return isComplex(choice); }
    bool isUpcoming(C choice) const { return std::find(upcoming_.begin(), upcoming_.end(), choice) != upcoming_.end(); }

    // A uniform Fisher-Yates shuffle of the playlist choices.
    std::vector<C> shuffled() const {
        std::vector<C> order = animations();
        for (size_t i = order.size() - 1; i > 0; --i) {
            const size_t j = static_cast<size_t>(random_->below(i + 1));
            std::swap(order[i], order[j]);
        }
        return order;
    }

    std::shared_ptr<RandomSource> random_;
    std::vector<C> upcoming_;
    bool isFreshRound_ = false;
};

}  // namespace furlpane
