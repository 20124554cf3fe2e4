#pragma once

// Settings files as other tools leave them, for the tests of what the program does with
// them, and standard error as the program tells the user about them.

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

namespace furlpane_test {

// A settings file whose value under "Notes" is `bytes` of Latin-1 text, nearly all of it
// accented letters: each is a byte that is not UTF-8, which a write turns into three.
// Beside it, a value of the program's own ("Sounds", false).
inline std::string latin1SettingsFile(size_t bytes) {
    static constexpr std::string_view kWords = "\xE9\xE8\xEA\xEB\xE0\xE2\xE4\xEE \xEF\xF4\xF6\xF9\xFB\xFC\xE7\xC9 ";
    std::string text;
    text.reserve(bytes + kWords.size());
    while (text.size() < bytes) text += kWords;
    text.resize(bytes);
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Notes</key>\n\t<string>" + text + "</string>\n\t<key>Sounds</key>\n\t<false/>\n</dict>\n</plist>\n";
}

// What goes to std::cerr while the object lives.
class CapturedErrors {
public:
    CapturedErrors() : saved_(std::cerr.rdbuf(text_.rdbuf())) {}
    ~CapturedErrors() { std::cerr.rdbuf(saved_); }
    CapturedErrors(const CapturedErrors&) = delete;
    CapturedErrors& operator=(const CapturedErrors&) = delete;
    std::string text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* saved_;
};

// How many times `part` occurs in `text`.
inline size_t occurrences(std::string_view text, std::string_view part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// The copies kept aside beside a settings file.
inline size_t keptCopies(const std::filesystem::path& file) {
    const std::string prefix = file.filename().string() + ".kept-";
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        count += entry.path().filename().string().rfind(prefix, 0) == 0;
    }
    return count;
}

}  // namespace furlpane_test
