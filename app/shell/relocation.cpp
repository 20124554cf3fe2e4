#include "app/shell/relocation.h"

#include <system_error>

#include "platform/appkit/alert.h"
#include "platform/services/bundle.h"
#include "windows/access/permissions.h"

namespace furlpane {

namespace fs = std::filesystem;

bool Relocation::isInApplicationsFolder(const fs::path& bundle) {
    const fs::path folder = bundle.lexically_normal().parent_path();
    return folder.filename() == "Applications";
}

bool Relocation::shouldOffer(const platform::ProcessInfo& process, const fs::path& bundle) {
    return !process.hasTestRunnerEnvironment() && !bundle.empty() && !isInApplicationsFolder(bundle);
}

platform::Result<fs::path> Relocation::move(const fs::path& bundle, const fs::path& applicationsFolder) {
    const fs::path destination = applicationsFolder / bundle.lexically_normal().filename();
    std::error_code error;
    if (fs::exists(destination, error)) return platform::Failure{destination.string() + " is there already."};
    fs::rename(bundle, destination, error);
    if (!error) return destination;
    fs::copy(bundle, destination, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    if (error) {
        std::error_code ignored;
        fs::remove_all(destination, ignored);
        return platform::Failure{"It could not be copied to " + applicationsFolder.string() + ": " + error.message() +
                                 "."};
    }
    // The original stays on a disk that cannot change (a disk image); the copy is the move.
    if (!volumeIsReadOnly(bundle)) fs::remove_all(bundle, error);
    return destination;
}

bool Relocation::offerIfNeeded(const fs::path& applicationsFolder) {
    const fs::path bundle = platform::Bundle::main().bundlePath();
    if (!shouldOffer(platform::ProcessInfo::current(), bundle)) return false;
    platform::Alert offer;
    offer.setMessageText(kOfferMessage);
    offer.setInformativeText(kOfferInformation);
    offer.addButton(kMoveButton);
    offer.addButton(kStayButton);
    if (offer.runModal() != platform::modal_response::alertFirstButtonReturn) return false;
    const auto moved = move(bundle, applicationsFolder);
    if (moved) return true;
    platform::Alert failure;
    failure.setMessageText(kFailureMessage);
    failure.setInformativeText(moved.error().message);
    failure.runModal();
    return false;
}

}  // namespace furlpane
