#include "app/updates/vesk_updater.h"

#include <cstdio>

#include "app/updates/version.h"
#include "platform/plist/base64.h"
#include "platform/runtime/process_once.h"
#include "platform/services/bundle.h"
#include "platform/services/url.h"

namespace furlpane {

namespace {

using platform::Updater;

std::shared_ptr<VESKUpdater>& sharedSlot() {
    static platform::ProcessLocal<std::shared_ptr<VESKUpdater>> slot;
    return slot.get();
}

const std::string* infoString(const char* key) {
    const platform::plist::Value* value = platform::Bundle::main().objectForInfoDictionaryKey(key);
    return value ? value->string() : nullptr;
}

bool hasFeed() {
    const std::string* feed = infoString(platform::info_keys::kFeedURL);
    return feed && platform::formsURL(*feed);
}

bool hasSigningKey() {
    const std::string* key = infoString(platform::info_keys::kPublicEDKey);
    if (!key) return false;
    const auto bytes = platform::plist::base64Decoded(*key);
    return bytes && bytes->size() == VESKUpdater::kSigningKeyBytes;
}

}  // namespace

std::shared_ptr<VESKUpdater> VESKUpdater::create(platform::UserDefaults& defaults) {
    return std::shared_ptr<VESKUpdater>(new VESKUpdater(defaults, isPreReleaseVersion(runningVersionString())));
}

VESKUpdater& VESKUpdater::shared() {
    auto& slot = sharedSlot();
    if (!slot) slot = create(platform::UserDefaults::standard());
    return *slot;
}

VESKUpdater& VESKUpdater::setShared(std::shared_ptr<VESKUpdater> updater) {
    sharedSlot() = std::move(updater);
    return shared();
}

void VESKUpdater::releaseShared() { sharedSlot().reset(); }

VESKUpdater::VESKUpdater(platform::UserDefaults& defaults, bool isPreRelease)
    : defaults_(defaults),
      isPreRelease_(isPreRelease),
      controller_(&channels_, &reminder_, defaults),
      channels_(defaults, isPreRelease),
      checksAutomatically_(registrar_, controller_.updater().automaticallyChecksForUpdates()),
      receivesBetaUpdates_(registrar_,
                           isPreRelease || defaults.boolean(VESKUpdateChannelDelegate::kReceivesBetaUpdatesKey)),
      canCheckForUpdates_(registrar_, false),
      lastCheckDate_(registrar_, controller_.updater().lastUpdateCheckDate()),
      startFailureDescription_(registrar_, std::nullopt) {
    Updater& updater = controller_.updater();
    canCheckObservation_ = updater.observe(Updater::Property::canCheckForUpdates,
                                           platform::KeyValueOptions::initialAndChanges,
                                           [this] { refreshFromFramework(); });
    automaticObservation_ = updater.observe(Updater::Property::automaticallyChecksForUpdates,
                                            platform::KeyValueOptions::changes, [this] { followAutomaticChecks(); });
}

void VESKUpdater::start() {
    const std::optional<platform::ServiceError> error = controller_.startUpdater();
    if (!error) return;
    startFailureDescription_.set(error->localizedDescription);
    std::printf("VESKUpdater: %s\n", error->localizedDescription.c_str());
    std::fflush(stdout);
}

void VESKUpdater::checkForUpdates() { controller_.updater().checkForUpdates(); }

void VESKUpdater::setChecksAutomatically(bool value) {
    checksAutomatically_.set(value);
    Updater& updater = controller_.updater();
    if (updater.automaticallyChecksForUpdates() == value) return;
    updater.setAutomaticallyChecksForUpdates(value);
    if (value) reminder_.prepare();
}

std::optional<std::string> VESKUpdater::configurationProblem() const {
    if (const auto& failure = startFailureDescription_.get()) return failure;
    if (!hasFeed()) return kNoFeedProblem;
    if (!hasSigningKey()) return kNoSigningKeyProblem;
    return std::nullopt;
}

void VESKUpdater::setReceivesBetaUpdates(bool value) {
    // A pre-release always takes beta releases; the user's choice waits for a release.
    if (isPreRelease_) return;
    receivesBetaUpdates_.set(value);
    defaults_.set(VESKUpdateChannelDelegate::kReceivesBetaUpdatesKey, value);
}

void VESKUpdater::refreshFromFramework() {
    const Updater& updater = controller_.updater();
    canCheckForUpdates_.set(updater.canCheckForUpdates());
    lastCheckDate_.set(updater.lastUpdateCheckDate());
}

void VESKUpdater::followAutomaticChecks() {
    const bool automatic = controller_.updater().automaticallyChecksForUpdates();
    if (automatic != checksAutomatically_.peek()) setChecksAutomatically(automatic);
}

}  // namespace furlpane
