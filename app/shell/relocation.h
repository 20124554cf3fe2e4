#pragma once

// Where the program runs from, and the offer to move it into the Applications folder.
//
// Run from anywhere else (the Downloads folder, a disk image), the program offers at
// start-up to move itself: an alert with "Move to Applications Folder" and "Do Not
// Move". Nothing is offered while the system's test runner runs the program (one of its
// three environment variables is set, even empty), nor when the bundle already lies in
// a folder named "Applications".
//
// Moving takes the bundle's folder into the Applications folder: a rename on the same
// disk, else a copy, after which the original goes unless its disk is read-only (a disk
// image). The move takes effect at the next launch. A bundle of that name already
// there, or a move that fails, is said in a second alert, and the bundle stays where it
// was. Main thread.

#include <filesystem>

#include "platform/process/process_info.h"
#include "platform/runtime/result.h"

namespace furlpane {

class Relocation {
public:
    static constexpr const char* kOfferMessage = "Move Furlpane Novan to your Applications folder?";
    static constexpr const char* kOfferInformation =
        "It works best from there, and opens at login only from a disk that stays.";
    static constexpr const char* kMoveButton = "Move to Applications Folder";
    static constexpr const char* kStayButton = "Do Not Move";
    static constexpr const char* kFailureMessage = "Furlpane Novan could not be moved";

    static bool isInApplicationsFolder(const std::filesystem::path& bundle);
    static bool shouldOffer(const platform::ProcessInfo& process, const std::filesystem::path& bundle);
    // Offers the move of the main bundle when it should; true when the bundle was moved.
    static bool offerIfNeeded(const std::filesystem::path& applicationsFolder = "/Applications");
    // Moves the bundle into the folder; the new place of the bundle.
    static platform::Result<std::filesystem::path> move(const std::filesystem::path& bundle,
                                                        const std::filesystem::path& applicationsFolder);
};

}  // namespace furlpane
