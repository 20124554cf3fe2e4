#include "settings/model/preferences.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/runtime/process_once.h"

namespace furlpane {

namespace plist = platform::plist;

namespace {

namespace key {
constexpr std::string_view enabled = "Enabled";
constexpr std::string_view showStatusItem = "ShowStatusItem";
constexpr std::string_view concealMinimizeAnimation = "ConcealMinimizeAnimation";
constexpr std::string_view animateTransitions = "MIPWindowAnimateTransitions";
constexpr std::string_view thumbnailAnimation = "MIPAnimationStyle";
constexpr std::string_view titleStripAnimation = "ShadeAnimationStyle";
constexpr std::string_view thumbnailPlaylist = "MIPAnimationPlaylist";
constexpr std::string_view titleStripPlaylist = "ShadeAnimationPlaylist";
constexpr std::string_view dockSettingsToPutBack = "DockSettingsToPutBack";
constexpr std::string_view sounds = "Sounds";
constexpr std::string_view stayPut = "StayPutInMissionControl";
constexpr std::string_view scale = "MIPWindowScale";
constexpr std::string_view animateMouseOver = "MIPWindowAnimateMouseOver";
constexpr std::string_view magnification = "MIPWindowMagnification";
constexpr std::string_view opacity = "MIPWindowOpacity";
constexpr std::string_view alwaysOnTop = "MIPWindowAlwaysOnTop";
constexpr std::string_view singleClick = "MIPSingleClickMaximize";
constexpr std::string_view appIcon = "MIPAppIcon";
constexpr std::string_view appIconSize = "MIPAppIconSize";
constexpr std::string_view titleOption = "MIPWindowTitleOption";
constexpr std::string_view gridAlignEnabled = "MIPWindowGridAlignEnabled";
constexpr std::string_view gridAlign = "MIPWindowGridAlign";
}  // namespace key

std::shared_ptr<Preferences>& sharedSlot() {
    static platform::ProcessLocal<std::shared_ptr<Preferences>> slot;
    return slot.get();
}

platform::UserDefaults& registered(platform::UserDefaults& defaults) {
    defaults.registerDefaults(plist::Dictionary{
        {std::string(key::enabled), true},
        {std::string(key::showStatusItem), true},
        {std::string(key::concealMinimizeAnimation), true},
        {std::string(key::animateTransitions), true},
        {std::string(key::sounds), false},
        {std::string(key::stayPut), false},
        {std::string(key::scale), 0.5},
        {std::string(key::animateMouseOver), true},
        {std::string(key::magnification), 0.8},
        {std::string(key::opacity), 1.0},
        {std::string(key::alwaysOnTop), false},
        {std::string(key::singleClick), true},
        {std::string(key::appIcon), true},
        {std::string(key::appIconSize), 48.0},
        {std::string(key::titleOption), 1},
        {std::string(key::gridAlignEnabled), false},
        {std::string(key::gridAlign), 1},
    });
    return defaults;
}

double clampedReal(const platform::UserDefaults& defaults, std::string_view key, double low, double high, double fallback) {
    const double stored = defaults.real(key);
    if (!std::isfinite(stored)) return fallback;
    return std::clamp(stored, low, high);
}

template <AnimationChoice C>
std::optional<C> readChoice(const platform::UserDefaults& defaults, std::string_view key) {
    const auto stored = defaults.string(key);
    if (!stored) return std::nullopt;
    return fromRawValue<C>(std::string_view(*stored)).value_or(everydayAnimation<C>());
}

std::vector<std::string> readStrings(const platform::UserDefaults& defaults, std::string_view key) {
    std::vector<std::string> strings;
    if (auto stored = defaults.array(key)) {
        for (const plist::Value& value : *stored) {
            if (value.string()) strings.push_back(*value.string());
        }
    }
    return strings;
}

// Built in place: g++ 12 warns, wrongly, that a Value converted into an optional may
// be used uninitialized.
std::optional<plist::Value> storedForm(bool value) { return std::optional<plist::Value>(std::in_place, value); }
std::optional<plist::Value> storedForm(double value) { return std::optional<plist::Value>(std::in_place, value); }
std::optional<plist::Value> storedForm(HoverTitle value) { return plist::Value(rawValue(value)); }
std::optional<plist::Value> storedForm(ThumbnailOrder value) { return plist::Value(rawValue(value)); }

template <AnimationChoice C>
std::optional<plist::Value> storedForm(const std::optional<C>& value) {
    if (!value) return std::nullopt;
    return plist::Value(std::string(rawValue(*value)));
}

void write(platform::UserDefaults& defaults, std::string_view key, std::optional<plist::Value> value) {
    if (value) {
        defaults.set(key, std::move(*value));
    } else {
        defaults.remove(key);
    }
}

}  // namespace

Preferences::Preferences(platform::UserDefaults& defaults, DateSource now, Calendar calendar,
                         std::shared_ptr<RandomSource> random)
    : defaults_(&registered(defaults)),
      now_(std::move(now)),
      calendar_(calendar),
      random_(std::move(random)),
      isEnabled_(registrar_, defaults.boolean(key::enabled)),
      concealsMinimizeAnimation_(registrar_, defaults.boolean(key::concealMinimizeAnimation)),
      animatesTransitions_(registrar_, defaults.boolean(key::animateTransitions)),
      chosenThumbnailAnimation_(registrar_, readChoice<ThumbnailAnimation>(defaults, key::thumbnailAnimation)),
      chosenTitleStripAnimation_(registrar_, readChoice<TitleStripAnimation>(defaults, key::titleStripAnimation)),
      thumbnailPlaylist_(AnimationPlaylist<ThumbnailAnimation>::restore(readStrings(defaults, key::thumbnailPlaylist), random_)),
      titleStripPlaylist_(
          AnimationPlaylist<TitleStripAnimation>::restore(readStrings(defaults, key::titleStripPlaylist), random_)),
      calendarDay_(registrar_, 0),
      dockSettingsToPutBack_(registrar_, defaults.dictionary(key::dockSettingsToPutBack)),
      playsSounds_(registrar_, defaults.boolean(key::sounds)),
      standInsStayPut_(registrar_, defaults.boolean(key::stayPut)),
      showsStatusItem_(registrar_, defaults.boolean(key::showStatusItem)),
      thumbnailScale_(registrar_, clampedReal(defaults, key::scale, 0.1, 2.0, 0.5)),
      magnifiesThumbnails_(registrar_, defaults.boolean(key::animateMouseOver)),
      thumbnailMagnification_(registrar_, clampedReal(defaults, key::magnification, 0.1, 2.0, 0.8)),
      thumbnailOpacity_(registrar_, clampedReal(defaults, key::opacity, 0.1, 1.0, 1.0)),
      thumbnailsFloat_(registrar_, defaults.boolean(key::alwaysOnTop)),
      singleClickRestores_(registrar_, defaults.boolean(key::singleClick)),
      showsApplicationIcon_(registrar_, defaults.boolean(key::appIcon)),
      applicationIconSize_(registrar_, defaults.real(key::appIconSize)),
      hoverTitle_(registrar_, fromRawValue<HoverTitle>(defaults.integer(key::titleOption)).value_or(HoverTitle::windowTitle)),
      arrangesThumbnails_(registrar_, defaults.boolean(key::gridAlignEnabled)),
      thumbnailOrder_(registrar_,
                      fromRawValue<ThumbnailOrder>(defaults.integer(key::gridAlign)).value_or(ThumbnailOrder::leftFromTop)) {}

std::shared_ptr<Preferences> Preferences::create(platform::UserDefaults& defaults, DateSource now, Calendar calendar,
                                                 std::shared_ptr<RandomSource> random) {
    return std::shared_ptr<Preferences>(new Preferences(defaults, std::move(now), calendar, std::move(random)));
}

Preferences::~Preferences() { calendarDays_.cancel(); }

Preferences& Preferences::shared() {
    auto& slot = sharedSlot();
    if (!slot) slot = create(platform::UserDefaults::standard());
    return *slot;
}

Preferences& Preferences::setShared(std::shared_ptr<Preferences> preferences) {
    sharedSlot() = std::move(preferences);
    return shared();
}

void Preferences::releaseShared() { sharedSlot().reset(); }

template <class T>
void Preferences::assign(platform::Observed<T>& property, T value, std::string_view key) {
    const auto store = [&] {
        property.setSilently(value);
        write(*defaults_, key, storedForm(value));
    };
    if (property.peek() == value) {
        store();
    } else {
        registrar_.withMutation(property.key(), store);
    }
}

void Preferences::setIsEnabled(bool value) { assign(isEnabled_, value, key::enabled); }
void Preferences::setConcealsMinimizeAnimation(bool value) {
    assign(concealsMinimizeAnimation_, value, key::concealMinimizeAnimation);
}
void Preferences::setAnimatesTransitions(bool value) { assign(animatesTransitions_, value, key::animateTransitions); }
void Preferences::setChosenThumbnailAnimation(std::optional<ThumbnailAnimation> value) {
    assign(chosenThumbnailAnimation_, value, key::thumbnailAnimation);
}
void Preferences::setChosenTitleStripAnimation(std::optional<TitleStripAnimation> value) {
    assign(chosenTitleStripAnimation_, value, key::titleStripAnimation);
}
void Preferences::setPlaysSounds(bool value) { assign(playsSounds_, value, key::sounds); }
void Preferences::setStandInsStayPut(bool value) { assign(standInsStayPut_, value, key::stayPut); }
void Preferences::setShowsStatusItem(bool value) { assign(showsStatusItem_, value, key::showStatusItem); }
void Preferences::setThumbnailScale(double value) { assign(thumbnailScale_, value, key::scale); }
void Preferences::setMagnifiesThumbnails(bool value) { assign(magnifiesThumbnails_, value, key::animateMouseOver); }
void Preferences::setThumbnailMagnification(double value) { assign(thumbnailMagnification_, value, key::magnification); }
void Preferences::setThumbnailOpacity(double value) { assign(thumbnailOpacity_, value, key::opacity); }
void Preferences::setThumbnailsFloat(bool value) { assign(thumbnailsFloat_, value, key::alwaysOnTop); }
void Preferences::setSingleClickRestores(bool value) { assign(singleClickRestores_, value, key::singleClick); }
void Preferences::setShowsApplicationIcon(bool value) { assign(showsApplicationIcon_, value, key::appIcon); }
void Preferences::setApplicationIconSize(double value) { assign(applicationIconSize_, value, key::appIconSize); }
void Preferences::setHoverTitle(HoverTitle value) { assign(hoverTitle_, value, key::titleOption); }
void Preferences::setArrangesThumbnails(bool value) { assign(arrangesThumbnails_, value, key::gridAlignEnabled); }
void Preferences::setThumbnailOrder(ThumbnailOrder value) { assign(thumbnailOrder_, value, key::gridAlign); }

void Preferences::setDockSettingsToPutBack(std::optional<DockSettings> value) {
    registrar_.withMutation(dockSettingsToPutBack_.key(), [&] {
        std::optional<plist::Value> stored;
        if (value) stored = plist::Value(*value);
        dockSettingsToPutBack_.setSilently(std::move(value));
        write(*defaults_, key::dockSettingsToPutBack, std::move(stored));
    });
}

void Preferences::setCalendarDay(int64_t value) { calendarDay_.set(value); }

void Preferences::saveThumbnailPlaylist() {
    plist::Array stored;
    for (const std::string& raw : thumbnailPlaylist_.storedForm()) stored.push_back(raw);
    defaults_->set(key::thumbnailPlaylist, std::move(stored));
}

void Preferences::saveTitleStripPlaylist() {
    plist::Array stored;
    for (const std::string& raw : titleStripPlaylist_.storedForm()) stored.push_back(raw);
    defaults_->set(key::titleStripPlaylist, std::move(stored));
}

double Preferences::effectiveMagnification() const { return std::max(thumbnailMagnification(), thumbnailScale()); }

void Preferences::setEffectiveMagnification(double value) { setThumbnailMagnification(value); }

}  // namespace furlpane
