#include "document_desktop.h"

#include <string>

namespace furlpane::bench {

namespace {

constexpr int kWindowsPerApplication = 10;

}  // namespace

void addDocumentWindows(platform::desktop::Desktop& world, int windows) {
    namespace desktop = platform::desktop;
    using platform::Rect;
    for (int a = 0; a * kWindowsPerApplication < windows; ++a) {
        auto builder = world.application("com.example.App" + std::to_string(a));
        for (int w = 0; w < kWindowsPerApplication && a * kWindowsPerApplication + w < windows; ++w) {
            const double offset = 10.0 * (a * kWindowsPerApplication + w);
            builder.window(desktop::WindowDescription{
                .title = "Document " + std::to_string(w),
                .frame = Rect{40 + offset, 40 + offset, 900, 600},
                .toolbars = {desktop::ToolbarDescription{.frame = Rect{0, 28, 900, 38}}},
                .controls = {desktop::ControlDescription{.role = "AXTextField", .frame = Rect{20, 80, 200, 22}},
                             desktop::ControlDescription{.role = "AXButton", .frame = Rect{240, 80, 80, 22}}}});
        }
        builder.inBackground().add();
    }
}

}  // namespace furlpane::bench
