#include "platform/ui/text_measure.h"

#include <cmath>
#include <unordered_map>

namespace platform::ui::detail {

namespace {

constexpr size_t kRemembered = 4096;

std::string keyOf(const std::string& text, const Font& font, std::optional<double> width, std::optional<int> lines) {
    std::string key = text;
    key += '\x1f' + std::to_string(font.size) + '/' + std::to_string(int(font.weight)) + '/' +
           std::to_string(int(font.design)) + '/' + (width ? std::to_string(*width) : "-") + '/' +
           (lines ? std::to_string(*lines) : "-");
    return key;
}

template <class T>
std::unordered_map<std::string, T>& remembered() {
    // Main thread only, like every view.
    static std::unordered_map<std::string, T> cache;
    if (cache.size() > kRemembered) cache.clear();
    return cache;
}

}  // namespace

TextStyle textStyle(const Font& font) { return TextStyle{font.size, font.weight, font.design}; }

TextLayout measureText(const std::string& text, const Font& font, std::optional<double> width,
                       std::optional<int> lines) {
    if (width && !(std::isfinite(*width) && *width > 0)) width.reset();
    auto& cache = remembered<TextLayout>();
    const std::string key = keyOf(text, font, width, lines);
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    const int maximum = lines && *lines > 0 ? *lines : 0;
    const LineBreakMode mode = maximum > 0 ? LineBreakMode::byTruncatingTail : LineBreakMode::byWordWrapping;
    auto layout = layOutText(text, textStyle(font), width.value_or(0), maximum, mode);
    TextLayout result = layout ? layout.value() : TextLayout{};
    cache.emplace(key, result);
    return result;
}

double widestWord(const std::string& text, const Font& font) {
    auto& cache = remembered<double>();
    const std::string key = keyOf(text, font, std::nullopt, -1);
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    double widest = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(" \n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) widest = std::max(widest, measureText(text.substr(start, end - start), font, {}, 1).size.width);
        start = end + 1;
    }
    cache.emplace(key, widest);
    return widest;
}

}  // namespace platform::ui::detail
