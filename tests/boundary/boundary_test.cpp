// The program meets the operating system only through the platform layer's contracts:
// no file of the program includes a header of the simulated desktop, directly or through
// other headers. The world's hooks for tests and tools live in headers that include the
// desktop's own, so that this check finds them too.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "include_graph.h"
#include "tests/support/temp_folder.h"

namespace boundary_test {
namespace {

constexpr const char* kWorld = "platform/desktop/";

std::string joined(const std::vector<std::string>& chain) {
    std::string text;
    for (const auto& file : chain) text += (text.empty() ? "" : " -> ") + file;
    return text;
}

TEST(Boundary, NoFileOfTheProgramReachesTheSimulatedDesktop) {
    IncludeGraph graph(FURLPANE_SOURCE_DIR);
    size_t files = 0;
    for (const char* folder : {"app", "windows", "settings", "transitions", "triggers"}) {
        for (const std::string& file : graph.sourcesUnder(folder)) {
            ++files;
            const auto chain = graph.chainTo(file, kWorld);
            EXPECT_TRUE(chain.empty()) << joined(chain);
        }
    }
    EXPECT_GT(files, 100u);  // the tree was found
}

TEST(Boundary, NoAreaDependsOnItselfThroughOthers) {
    IncludeGraph graph(FURLPANE_SOURCE_DIR);
    const auto cycle = graph.areaCycle({"platform", "windows", "settings", "transitions", "triggers", "app"});
    EXPECT_TRUE(cycle.empty()) << joined(cycle);
}

TEST(Boundary, TheCheckFollowsIncludesThroughHeadersAndFolders) {
    furlpane_test::TempFolder tree;
    furlpane_test::writeText(tree / "platform/desktop/world.h", "#pragma once\n");
    furlpane_test::writeText(tree / "platform/appkit/hooks.h", "#include \"platform/desktop/world.h\"\n");
    furlpane_test::writeText(tree / "platform/appkit/contract.h", "#include <vector>\n#include \"missing.h\"\n");
    furlpane_test::writeText(tree / "app/shell.h", "  #  include \"platform/appkit/hooks.h\" // hooks\n");
    furlpane_test::writeText(tree / "app/local.h", "#include \"shell.h\"\n");
    furlpane_test::writeText(tree / "app/main.cpp", "#include \"app/local.h\"\n#include \"app/main.cpp\"\n");
    furlpane_test::writeText(tree / "app/clean.cpp",
                             "#include \"platform/appkit/contract.h\"\n#include \"app/clean.cpp\"\n");
    IncludeGraph graph(tree.path());
    EXPECT_EQ(graph.sourcesUnder("app"),
              (std::vector<std::string>{"app/clean.cpp", "app/local.h", "app/main.cpp", "app/shell.h"}));
    EXPECT_EQ(graph.chainTo("app/main.cpp", kWorld),
              (std::vector<std::string>{"app/main.cpp", "app/local.h", "app/shell.h", "platform/appkit/hooks.h",
                                        "platform/desktop/world.h"}));
    EXPECT_TRUE(graph.chainTo("app/clean.cpp", kWorld).empty());
    EXPECT_TRUE(graph.sourcesUnder("triggers").empty());
    EXPECT_TRUE(graph.areaCycle({"app", "platform"}).empty());
    furlpane_test::writeText(tree / "platform/desktop/world.cpp", "#include \"platform/appkit/contract.h\"\n");
    EXPECT_EQ(graph.areaCycle({"app", "platform"}),
              (std::vector<std::string>{"platform/appkit", "platform/desktop", "platform/appkit"}));
}

TEST(Boundary, AFileBelongsToItsLibrarysArea) {
    const std::pair<const char*, const char*> cases[] = {
        {"platform/appkit/window.h", "platform/appkit"},
        {"platform/system.h", "platform"},
        {"windows/access/target_window.cpp", "windows/access"},
        {"transitions/effects/water/water_plan.cpp", "transitions/effects"},
        {"transitions/drawing/water/water_drawing.cpp", "transitions"},
        {"transitions/driver/dock_wait.h", "transitions/driver"},
        {"app/login/login_item.cpp", "app"},
        {"app/shell/app_delegate.cpp", "app/shell"},
        {"app/main.cpp", "app/shell"},
        {"triggers/system_hotkeys.h", "triggers"},
    };
    for (const auto& [file, area] : cases) EXPECT_EQ(IncludeGraph::areaOf(file), area) << file;
}

}  // namespace
}  // namespace boundary_test
