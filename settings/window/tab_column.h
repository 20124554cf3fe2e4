#pragma once

// The look the settings tabs share.
//
// The General, Minimize-In-Place, Advanced and Updates tabs lay their rows out in one
// column that scrolls vertically with its indicators shown: rows leading-aligned, 10
// points apart, inset 20 points on every side, the column at most 480 points wide with
// that inset included, and centred in the width the window gives it.
//
// Notes under a control are caption-sized text that wraps onto as many lines as it
// needs, in the secondary colour when it informs and in orange when the user must act;
// a note under a control, and a note's button (at the small control size), stand 22
// points in from the column's leading edge.

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/view.h"

namespace furlpane {

inline constexpr double kTabColumnWidth = 480;
inline constexpr double kTabColumnInset = 20;
inline constexpr double kTabRowSpacing = 10;
inline constexpr double kNoteIndent = 22;

platform::ui::View tabColumn(std::vector<platform::ui::View> rows);

enum class NoteKind { informs, needsAction };
enum class NoteIndent { underControl, none };

platform::ui::View note(std::string text, NoteKind kind = NoteKind::informs,
                        NoteIndent indent = NoteIndent::underControl);
platform::ui::View noteButton(std::string title, std::function<void()> action);

}  // namespace furlpane
