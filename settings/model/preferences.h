#pragma once

// Preferences: the one shared object that holds every user setting other than the
// per-application rules.
//
// Every setting is read from the user's defaults once, when the object is made; after
// that the object's values are the truth and nothing more is read (a change another
// process makes to the defaults is seen at the next start). Out-of-range numbers are
// clamped and unknown values fall back only at that reading; what is read is never
// written back.
//
// Every assignment writes its key at once, also when the value is unchanged; observers
// are told only of a real change (Doubles compare numerically, so NaN always counts as
// a change). Setters do not clamp: a value outside its range is kept and written as
// given, and clamped at the next start.
//
// Keys, stored types, registered defaults and reading:
//   isEnabled                  "Enabled"                      Bool    true
//   showsStatusItem            "ShowStatusItem"               Bool    true
//   concealsMinimizeAnimation  "ConcealMinimizeAnimation"     Bool    true
//   animatesTransitions        "MIPWindowAnimateTransitions"  Bool    true
//   playsSounds                "Sounds"                       Bool    false
//   standInsStayPut            "StayPutInMissionControl"      Bool    false
//   thumbnailScale             "MIPWindowScale"               Double  0.5  clamped 0.1...2.0, non-finite 0.5
//   magnifiesThumbnails        "MIPWindowAnimateMouseOver"    Bool    true
//   thumbnailMagnification     "MIPWindowMagnification"       Double  0.8  clamped 0.1...2.0, non-finite 0.8
//   thumbnailOpacity           "MIPWindowOpacity"             Double  1.0  clamped 0.1...1.0, non-finite 1.0
//   thumbnailsFloat            "MIPWindowAlwaysOnTop"         Bool    false
//   singleClickRestores        "MIPSingleClickMaximize"       Bool    true
//   showsApplicationIcon       "MIPAppIcon"                   Bool    true
//   applicationIconSize        "MIPAppIconSize"               Double  48.0 as stored
//   hoverTitle                 "MIPWindowTitleOption"         Integer 1    other than 0...3 reads as windowTitle
//   arrangesThumbnails         "MIPWindowGridAlignEnabled"    Bool    false
//   thumbnailOrder             "MIPWindowGridAlign"           Integer 1    other than 1...8 reads as leftFromTop
// Not registered:
//   chosenThumbnailAnimation   "MIPAnimationStyle"      raw String; absent (or not a String): none chosen;
//                                                       a string naming no case: swirl; none removes the key
//   chosenTitleStripAnimation  "ShadeAnimationStyle"    the same, with roll
//   thumbnailPlaylist          "MIPAnimationPlaylist"   upcoming choices as raw Strings
//   titleStripPlaylist         "ShadeAnimationPlaylist" the same
//   dockSettingsToPutBack      "DockSettingsToPutBack"  dictionary; absent or not a dictionary: none
// Booleans, Doubles and Integers are read with the defaults' typed reads, so a stored
// value of another type reads as that read converts it.
//
// The animation in effect (effectiveTitleStripAnimation / effectiveThumbnailAnimation)
// is the chosen one, except that noAnimation counts only while Dock settings are kept
// to put back; otherwise the date decides: bats on 31 October, moonless on 15 July,
// the everyday animation (roll / swirl) on every other day, by the calendar's local
// date. Its readers are told again whenever `calendarDay` advances, which the task
// started by startCalendarDayTracking does on every "NSCalendarDayChangedNotification"
// of the default notification centre.
//
// Main thread only. Observers are told synchronously inside the assignment.

#include <memory>
#include <optional>
#include <string_view>

#include "platform/defaults/user_defaults.h"
#include "platform/plist/value.h"
#include "platform/runtime/observation.h"
#include "platform/runtime/task.h"
#include "settings/model/animation_choices.h"
#include "settings/model/animation_playlist.h"
#include "settings/model/calendar.h"
#include "settings/model/random_source.h"
#include "settings/model/thumbnail_order.h"

namespace furlpane {

class Preferences : public std::enable_shared_from_this<Preferences> {
public:
    using TitleStripAnimation = furlpane::TitleStripAnimation;
    using ThumbnailAnimation = furlpane::ThumbnailAnimation;
    using HoverTitle = furlpane::HoverTitle;
    // The Dock's own preferences, by key, as they were before the program changed them.
    using DockSettings = platform::plist::Dictionary;

    // Registers the defaults in `defaults` (which must outlive the object) and reads
    // every setting. The date source and calendar decide the date rule; the random
    // source shuffles the playlists.
    static std::shared_ptr<Preferences> create(platform::UserDefaults& defaults, DateSource now = systemDateSource(),
                                               Calendar calendar = Calendar::current(),
                                               std::shared_ptr<RandomSource> random = std::make_shared<SystemRandom>());
    // Stops the calendar-day task.
    ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // The program's preferences, made on first use from the standard user defaults of
    // that moment and the system clock, and kept for the whole run (a later
    // UserDefaults::setStandard does not reach it; replace it too with setShared).
    static Preferences& shared();
    // Puts another object in place of the shared one (tests and tools).
    static Preferences& setShared(std::shared_ptr<Preferences> preferences);
    // Lets the shared one go without making another, as a run of the program ends: the
    // next shared() makes one afresh from the standard defaults of its moment.
    static void releaseShared();

    bool isEnabled() const { return isEnabled_.get(); }
    void setIsEnabled(bool value);
    bool concealsMinimizeAnimation() const { return concealsMinimizeAnimation_.get(); }
    void setConcealsMinimizeAnimation(bool value);
    bool animatesTransitions() const { return animatesTransitions_.get(); }
    void setAnimatesTransitions(bool value);
    std::optional<ThumbnailAnimation> chosenThumbnailAnimation() const { return chosenThumbnailAnimation_.get(); }
    void setChosenThumbnailAnimation(std::optional<ThumbnailAnimation> value);
    std::optional<TitleStripAnimation> chosenTitleStripAnimation() const { return chosenTitleStripAnimation_.get(); }
    void setChosenTitleStripAnimation(std::optional<TitleStripAnimation> value);
    bool playsSounds() const { return playsSounds_.get(); }
    void setPlaysSounds(bool value);
    bool standInsStayPut() const { return standInsStayPut_.get(); }
    void setStandInsStayPut(bool value);
    bool showsStatusItem() const { return showsStatusItem_.get(); }
    void setShowsStatusItem(bool value);
    double thumbnailScale() const { return thumbnailScale_.get(); }
    void setThumbnailScale(double value);
    bool magnifiesThumbnails() const { return magnifiesThumbnails_.get(); }
    void setMagnifiesThumbnails(bool value);
    double thumbnailMagnification() const { return thumbnailMagnification_.get(); }
    void setThumbnailMagnification(double value);
    double thumbnailOpacity() const { return thumbnailOpacity_.get(); }
    void setThumbnailOpacity(double value);
    bool thumbnailsFloat() const { return thumbnailsFloat_.get(); }
    void setThumbnailsFloat(bool value);
    bool singleClickRestores() const { return singleClickRestores_.get(); }
    void setSingleClickRestores(bool value);
    bool showsApplicationIcon() const { return showsApplicationIcon_.get(); }
    void setShowsApplicationIcon(bool value);
    double applicationIconSize() const { return applicationIconSize_.get(); }
    void setApplicationIconSize(double value);
    HoverTitle hoverTitle() const { return hoverTitle_.get(); }
    void setHoverTitle(HoverTitle value);
    bool arrangesThumbnails() const { return arrangesThumbnails_.get(); }
    void setArrangesThumbnails(bool value);
    ThumbnailOrder thumbnailOrder() const { return thumbnailOrder_.get(); }
    void setThumbnailOrder(ThumbnailOrder value);

    // Set and cleared by the Dock settings switch. Every assignment notifies and
    // writes (none removes the key).
    const std::optional<DockSettings>& dockSettingsToPutBack() const { return dockSettingsToPutBack_.get(); }
    void setDockSettingsToPutBack(std::optional<DockSettings> value);

    // Calendar days begun since the object was made; not stored. Notifies only when
    // the number changes.
    int64_t calendarDay() const { return calendarDay_.get(); }
    void setCalendarDay(int64_t value);
    // (Re)starts the task that advances calendarDay on every day-changed notification;
    // the task holds this object weakly. Needs the main loop.
    void startCalendarDayTracking();

    // The random-order playlists; not observed. Whoever deals from one or gives a
    // choice back calls the matching save right after.
    AnimationPlaylist<ThumbnailAnimation>& thumbnailPlaylist() { return thumbnailPlaylist_; }
    AnimationPlaylist<TitleStripAnimation>& titleStripPlaylist() { return titleStripPlaylist_; }
    void saveThumbnailPlaylist();
    void saveTitleStripPlaylist();
    // include() on the playlist of the kind.
    void includeThumbnailAnimation(ThumbnailAnimation choice) { thumbnailPlaylist_.include(choice); }
    void includeTitleStripAnimation(TitleStripAnimation choice) { titleStripPlaylist_.include(choice); }

    TitleStripAnimation effectiveTitleStripAnimation() const;
    ThumbnailAnimation effectiveThumbnailAnimation() const;
    // The larger of thumbnailMagnification and thumbnailScale. Setting it sets
    // thumbnailMagnification; thumbnailScale never changes through it.
    double effectiveMagnification() const;
    void setEffectiveMagnification(double value);

    platform::UserDefaults& defaults() const { return *defaults_; }
    // The current date from the date source.
    Date now() const { return now_(); }

private:
    Preferences(platform::UserDefaults& defaults, DateSource now, Calendar calendar, std::shared_ptr<RandomSource> random);

    template <class T>
    void assign(platform::Observed<T>& property, T value, std::string_view key);
    template <AnimationChoice C>
    C effectiveAnimation(const std::optional<C>& chosen) const;

    platform::UserDefaults* defaults_;
    DateSource now_;
    Calendar calendar_;
    std::shared_ptr<RandomSource> random_;
    platform::ObservationRegistrar registrar_;

    platform::Observed<bool> isEnabled_;
    platform::Observed<bool> concealsMinimizeAnimation_;
    platform::Observed<bool> animatesTransitions_;
    platform::Observed<std::optional<ThumbnailAnimation>> chosenThumbnailAnimation_;
    platform::Observed<std::optional<TitleStripAnimation>> chosenTitleStripAnimation_;
    AnimationPlaylist<ThumbnailAnimation> thumbnailPlaylist_;
    AnimationPlaylist<TitleStripAnimation> titleStripPlaylist_;
    platform::Observed<int64_t> calendarDay_;
    platform::TaskHandle calendarDays_;
    platform::Observed<std::optional<DockSettings>> dockSettingsToPutBack_;
    platform::Observed<bool> playsSounds_;
    platform::Observed<bool> standInsStayPut_;
    platform::Observed<bool> showsStatusItem_;
    platform::Observed<double> thumbnailScale_;
    platform::Observed<bool> magnifiesThumbnails_;
    platform::Observed<double> thumbnailMagnification_;
    platform::Observed<double> thumbnailOpacity_;
    platform::Observed<bool> thumbnailsFloat_;
    platform::Observed<bool> singleClickRestores_;
    platform::Observed<bool> showsApplicationIcon_;
    platform::Observed<double> applicationIconSize_;
    platform::Observed<HoverTitle> hoverTitle_;
    platform::Observed<bool> arrangesThumbnails_;
    platform::Observed<ThumbnailOrder> thumbnailOrder_;
};

}  // namespace furlpane
