#include "settings/window/tab_column.h"

#include "platform/ui/controls.h"
#include "platform/ui/views.h"

namespace furlpane {

namespace ui = platform::ui;

ui::View tabColumn(std::vector<ui::View> rows) {
    const ui::View column = ui::VStack(std::move(rows), {.alignment = ui::HorizontalAlignment::leading,
                                                         .spacing = kTabRowSpacing})
                                .frame({.maxWidth = ui::infinity, .alignment = ui::Alignment::topLeading()})
                                .padding(kTabColumnInset)
                                .frame({.maxWidth = kTabColumnWidth})
                                .frame({.maxWidth = ui::infinity});
    return ui::ScrollView(column, ui::ScrollIndicators::visible);
}

ui::View note(std::string text, NoteKind kind, NoteIndent indent) {
    const ui::Style style = kind == NoteKind::informs ? ui::Style::secondary() : ui::Style::orange();
    const ui::View body = ui::Text(std::move(text)).font(ui::Font::caption()).foregroundStyle(style);
    return indent == NoteIndent::underControl ? body.padding(ui::leadingEdge, kNoteIndent) : body;
}

ui::View noteButton(std::string title, std::function<void()> action) {
    return ui::Button(std::move(title), std::move(action))
        .controlSize(ui::ControlSize::small)
        .padding(ui::leadingEdge, kNoteIndent);
}

}  // namespace furlpane
