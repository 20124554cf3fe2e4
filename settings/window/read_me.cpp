#include "settings/window/read_me.h"

#include <vector>

#include "platform/runtime/process_once.h"
#include "platform/services/bundle.h"
#include "platform/services/url.h"
#include "platform/services/workspace.h"
#include "platform/ui/views.h"
#include "settings/window/round_buttons.h"
#include "windows/access/permissions.h"

namespace furlpane {

namespace ui = platform::ui;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWriteBits = 0222;

// The copy made last in this process; a new process starts without one.
std::optional<fs::path>& readMeCopyURL() {
    static platform::ProcessLocal<std::optional<fs::path>> copy;
    return copy.get();
}

}  // namespace

std::optional<fs::path> ReadMeButton::bundleReadMeURL() {
    static platform::ProcessOnce<std::optional<fs::path>> url;
    return url.get([] { return platform::Bundle::main().urlForResource(kResourceName, kResourceType); });
}

ui::View ReadMeButton::body() const {
    if (!bundleReadMeURL()) return ui::EmptyView();
    return ui::View(HelpButton{[] { openReadMe(); }}).help(kToolTip);
}

void ReadMeButton::openReadMe() {
    if (const auto document = prepareReadMeCopy()) platform::Workspace::shared().openURL(platform::fileURL(*document));
}

std::optional<fs::path> ReadMeButton::prepareReadMeCopy() {
    const auto document = bundleReadMeURL();
    if (!document) return std::nullopt;
    if (volumeIsReadOnly(*document)) return document;
    const platform::FileManager& files = platform::FileManager::defaultManager();
    std::optional<fs::path>& copy = readMeCopyURL();
    if (copy && files.fileExists(*copy)) return copy;
    copy = makeReadMeCopy(*document, files);
    return copy ? copy : document;
}

std::optional<fs::path> ReadMeButton::makeReadMeCopy(const fs::path& document, const platform::FileManager& files) {
    const auto folder = files.itemReplacementDirectory();
    if (!folder) return std::nullopt;
    const fs::path destination = *folder / document.filename();
    if (!files.copyItem(document, destination)) return std::nullopt;
    removeWritePermissions(destination, files);
    return destination;
}

void ReadMeButton::removeWritePermissions(const fs::path& item, const platform::FileManager& files) {
    std::vector<fs::path> items{item};
    if (auto inside = files.contentsOfDirectory(item)) items.insert(items.end(), inside->begin(), inside->end());
    for (const fs::path& each : items) {
        const auto permissions = files.posixPermissions(each);
        if (!permissions) continue;
        (void)files.setPosixPermissions(each, *permissions & ~kWriteBits);
    }
}

}  // namespace furlpane
