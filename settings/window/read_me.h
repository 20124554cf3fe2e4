#pragma once

// The help button of the General tab's corner, which opens the program's read-me
// ("Furlpane Novan Read Me", a rich-text document package among the bundle's resources)
// in the application the system gives its type. A bundle without the read-me shows no
// button.
//
// The user gets a copy they cannot change: the first press copies the document into a
// fresh item-replacement folder and takes the write permissions off every item of the
// copy; later presses open that copy again for as long as it exists, and a press after
// it was deleted copies anew. A bundle on a read-only volume (a disk image) opens its
// own document, which nobody can change there anyway. A copy that cannot be made leaves
// the bundle's document to be opened in its place. Nothing here shows a message.

#include <filesystem>
#include <optional>

#include "platform/services/file_system.h"
#include "platform/ui/view.h"

namespace furlpane {

class ReadMeButton {
public:
    static constexpr const char* kResourceName = "Furlpane Novan Read Me";
    static constexpr const char* kResourceType = "rtfd";
    static constexpr const char* kToolTip = "Open the Furlpane Novan read me.";

    platform::ui::View body() const;

    static void openReadMe();
    // The document to open: the bundle's, or a copy of it; none without a read-me.
    static std::optional<std::filesystem::path> prepareReadMeCopy();
    // A write-protected copy of the document in a new item-replacement folder.
    static std::optional<std::filesystem::path> makeReadMeCopy(const std::filesystem::path& document,
                                                               const platform::FileManager& files);
    // Clears the write bits of owner, group and others of the item and of everything
    // inside it; an item whose permissions cannot be read or written is left as it is.
    static void removeWritePermissions(const std::filesystem::path& item, const platform::FileManager& files);

    // The bundle's read-me, looked up once per process.
    static std::optional<std::filesystem::path> bundleReadMeURL();
};

}  // namespace furlpane
