#pragma once

// The project's include graph, read from the source tree: which of the project's files
// each file includes with a quoted #include. A quoted name is looked up from the source
// root first, then beside the including file; names that are found in neither place
// (system and third-party headers) are left out, as are bracketed includes.

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace boundary_test {

class IncludeGraph {
public:
    explicit IncludeGraph(std::filesystem::path root) : root_(std::move(root)) {}

    // Files under `folder` (relative to the root) that C++ sources and headers live in,
    // relative to the root; none when the folder does not exist.
    std::vector<std::string> sourcesUnder(std::string_view folder) const;

    // The shortest chain of includes from `file` to a file whose path starts with
    // `prefix`, `file` first and that file last; empty when none is reached.
    std::vector<std::string> chainTo(const std::string& file, std::string_view prefix);

    // A cycle among the areas the files under `folders` belong to (areaOf), as the
    // areas in order with the first repeated at the end; empty when there is none.
    std::vector<std::string> areaCycle(const std::vector<std::string>& folders);
    // The area of a file: a folder of platform/, windows/ or settings/; the effects
    // models or the driver of transitions/, else transitions/; the shell of app/ with the
    // entry point; else its top folder.
    static std::string areaOf(const std::string& file);

private:
    const std::vector<std::string>& includesOf(const std::string& file);

    std::filesystem::path root_;
    std::map<std::string, std::vector<std::string>> includes_;
};

}  // namespace boundary_test
