#include "include_graph.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <functional>
#include <system_error>

namespace boundary_test {

namespace fs = std::filesystem;

namespace {

bool isSource(const fs::path& path) {
    const auto extension = path.extension();
    return extension == ".h" || extension == ".cpp";
}

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// The name of a quoted #include on the line; empty for any other line.
std::string quotedInclude(std::string_view line) {
    line = skipBlanks(line);
    if (!line.starts_with('#')) return {};
    line = skipBlanks(line.substr(1));
    if (!line.starts_with("include")) return {};
    line = skipBlanks(line.substr(7));
    if (!line.starts_with('"')) return {};
    const size_t end = line.find('"', 1);
    return end == std::string_view::npos ? std::string() : std::string(line.substr(1, end - 1));
}

}  // namespace

std::vector<std::string> IncludeGraph::sourcesUnder(std::string_view folder) const {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root_ / folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file() && isSource(it->path())) files.push_back(it->path().lexically_relative(root_));
    }
    std::sort(files.begin(), files.end());
    return files;
}

const std::vector<std::string>& IncludeGraph::includesOf(const std::string& file) {
    if (auto found = includes_.find(file); found != includes_.end()) return found->second;
    std::vector<std::string> names;
    std::ifstream in(root_ / file);
    for (std::string line; std::getline(in, line);) {
        const std::string name = quotedInclude(line);
        if (name.empty()) continue;
        for (const fs::path& candidate : {fs::path(name), fs::path(file).parent_path() / name}) {
            const fs::path normal = candidate.lexically_normal();
            if (fs::is_regular_file(root_ / normal)) {
                names.push_back(normal.generic_string());
                break;
            }
        }
    }
    return includes_.emplace(file, std::move(names)).first->second;
}

std::vector<std::string> IncludeGraph::chainTo(const std::string& file, std::string_view prefix) {
    // Breadth first, so that the chain reported is a shortest one; every file once.
    std::map<std::string, std::string> cameFrom{{file, ""}};
    std::deque<std::string> queue{file};
    while (!queue.empty()) {
        const std::string current = queue.front();
        queue.pop_front();
        for (const std::string& next : includesOf(current)) {
            if (!cameFrom.emplace(next, current).second) continue;
            if (next.starts_with(prefix)) {
                std::vector<std::string> chain{next};
                for (std::string at = current; !at.empty(); at = cameFrom[at]) chain.insert(chain.begin(), at);
                return chain;
            }
            queue.push_back(next);
        }
    }
    return {};
}

std::string IncludeGraph::areaOf(const std::string& file) {
    const auto parts = fs::path(file);
    std::vector<std::string> names(parts.begin(), parts.end());
    if (names.size() < 2) return "";
    const std::string& top = names[0];
    const std::string& second = names[1];
    const bool folder = names.size() > 2;
    if (folder && (top == "platform" || top == "windows" || top == "settings")) return top + "/" + second;
    if (folder && top == "transitions" && (second == "effects" || second == "driver")) return top + "/" + second;
    // The shell and the executable on it stand above the settings window, which uses the
    // rest of app/.
    if (top == "app" && (second == "shell" || second == "main.cpp")) return "app/shell";
    return top;
}

std::vector<std::string> IncludeGraph::areaCycle(const std::vector<std::string>& folders) {
    std::map<std::string, std::set<std::string>> uses;
    for (const std::string& folder : folders) {
        for (const std::string& file : sourcesUnder(folder)) {
            for (const std::string& included : includesOf(file)) {
                if (areaOf(included) != areaOf(file)) uses[areaOf(file)].insert(areaOf(included));
            }
        }
    }
    // Depth first; an area met again while it is still on the path closes a cycle.
    std::map<std::string, int> state;  // 1 on the path, 2 done
    std::vector<std::string> path;
    std::vector<std::string> cycle;
    std::function<bool(const std::string&)> visit = [&](const std::string& area) {
        state[area] = 1;
        path.push_back(area);
        for (const std::string& next : uses[area]) {
            if (state[next] == 1) {
                cycle.assign(std::find(path.begin(), path.end(), next), path.end());
                cycle.push_back(next);
                return true;
            }
            if (state[next] == 0 && visit(next)) return true;
        }
        path.pop_back();
        state[area] = 2;
        return false;
    };
    for (const auto& [area, used] : std::map(uses)) {
        if (state[area] == 0 && visit(area)) break;
    }
    return cycle;
}

}  // namespace boundary_test
