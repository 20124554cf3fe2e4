// Which effect a change plays: the user's animation for the kind of stand-in, a random
// pick dealt from the kind's playlist (and given back when its transition never ran),
// and starting a transition that hands nothing over.

#include "platform/services/workspace.h"
#include "transitions/driver/stand_in_transition.h"
#include "windows/changed/affected_window.h"

namespace furlpane {

namespace {

// What differs between the two kinds of stand-in, for one choice type.
template <AnimationChoice C>
struct Kind;

template <>
struct Kind<TitleStripAnimation> {
    static TitleStripAnimation effective(const Preferences& p) { return p.effectiveTitleStripAnimation(); }
    static TitleStripAnimation deal(Preferences& p) {
        const TitleStripAnimation dealt = p.titleStripPlaylist().next();
        p.saveTitleStripPlaylist();
        return dealt;
    }
    static TransitionEffect effect(std::optional<TitleStripAnimation> a, ReduceMotion r) { return titleStripEffect(a, r); }
};

template <>
struct Kind<ThumbnailAnimation> {
    static ThumbnailAnimation effective(const Preferences& p) { return p.effectiveThumbnailAnimation(); }
    static ThumbnailAnimation deal(Preferences& p) {
        const ThumbnailAnimation dealt = p.thumbnailPlaylist().next();
        p.saveThumbnailPlaylist();
        return dealt;
    }
    static TransitionEffect effect(std::optional<ThumbnailAnimation> a, ReduceMotion r) { return thumbnailEffect(a, r); }
};

template <AnimationChoice C>
AffectedWindow::TransitionChoice choose(Preferences& preferences, const std::optional<AffectedWindow::Dealt>& previous,
                                        AffectedWindow::PreviousPick pick) {
    using K = Kind<C>;
    const auto reduce = platform::Workspace::shared().accessibilityDisplayShouldReduceMotion() ? ReduceMotion::yes
                                                                                               : ReduceMotion::no;
    const auto animation = preferences.animatesTransitions() ? std::optional(K::effective(preferences)) : std::nullopt;
    if (animation != C::randomOrder || reduce == ReduceMotion::yes) return {K::effect(animation, reduce), std::nullopt};
    // The opposite change of a window replays the effect its last change was dealt.
    const C* replayed = previous ? std::get_if<C>(&previous->animation) : nullptr;
    if (pick == AffectedWindow::PreviousPick::reuse && replayed) return {K::effect(*replayed, reduce), std::nullopt};
    const C dealt = K::deal(preferences);
    return {K::effect(dealt, reduce), AffectedWindow::Dealt{dealt}};
}

// Puts the animation back at the front of its playlist and saves the playlist.
void giveBack(Preferences& preferences, const AffectedWindow::Dealt& dealt) {
    if (const auto* strip = std::get_if<TitleStripAnimation>(&dealt.animation)) {
        preferences.includeTitleStripAnimation(*strip);
        preferences.saveTitleStripPlaylist();
    } else if (const auto* thumbnail = std::get_if<ThumbnailAnimation>(&dealt.animation)) {
        preferences.includeThumbnailAnimation(*thumbnail);
        preferences.saveThumbnailPlaylist();
    }
}

}  // namespace

AffectedWindow::TransitionChoice AffectedWindow::chooseTransition(StandIn kind, PreviousPick previous) {
    if (kind == StandIn::titleStrip) return choose<TitleStripAnimation>(*preferences_, wentWith_, previous);
    return choose<ThumbnailAnimation>(*preferences_, wentWith_, previous);
}

std::optional<AffectedWindow::Dealt> AffectedWindow::giveBackDealt(const std::shared_ptr<StandInTransition>& transition,
                                                                   std::optional<Dealt> dealt) {
    if (!dealt || (transition && transition->startTime())) return dealt;
    giveBack(*preferences_, *dealt);
    return std::nullopt;
}

void AffectedWindow::playWithoutHandOff(const std::shared_ptr<StandInTransition>& transition) {
    if (!transition || transition->isOver() || transition->isEnding()) return;
    transition->setIsEnding(true);
    transition->setHandOff(nullptr);
    transition->setCompletion(nullptr);
    transition->start();
    if (transition->framesAreDone() && transition->dockIsDone()) transition->conclude();
}

}  // namespace furlpane
