#include "platform/events/keyboard_layout.h"

#include "platform/desktop/desktop.h"
#include "platform/events/simulated_input.h"
#include "platform/graphics/utf8.h"

namespace platform {

namespace {

std::string utf8(char32_t c) { return encodeUTF8(std::u32string_view(&c, 1)); }

bool isAsciiLetter(const std::string& s) {
    return s.size() == 1 && ((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z'));
}

// Keys of the US layout that type the same on every layout here: digits, punctuation.
struct Entry {
    uint16_t code;
    const char* plain;
    const char* shifted;
};

constexpr Entry kUSLetters[] = {
    {0, "a", "A"},  {1, "s", "S"},  {2, "d", "D"},  {3, "f", "F"},  {4, "h", "H"},  {5, "g", "G"},
    {6, "z", "Z"},  {7, "x", "X"},  {8, "c", "C"},  {9, "v", "V"},  {11, "b", "B"}, {12, "q", "Q"},
    {13, "w", "W"}, {14, "e", "E"}, {15, "r", "R"}, {16, "y", "Y"}, {17, "t", "T"}, {31, "o", "O"},
    {32, "u", "U"}, {34, "i", "I"}, {35, "p", "P"}, {37, "l", "L"}, {38, "j", "J"}, {40, "k", "K"},
    {45, "n", "N"}, {46, "m", "M"},
};

constexpr Entry kUSPunctuation[] = {
    {24, "=", "+"}, {27, "-", "_"}, {30, "]", "}"}, {33, "[", "{"}, {39, "'", "\""}, {41, ";", ":"},
    {42, "\\", "|"}, {43, ",", "<"}, {44, "/", "?"}, {47, ".", ">"}, {50, "`", "~"},
};

constexpr Entry kDigits[] = {
    {18, "1", "!"}, {19, "2", "@"}, {20, "3", "#"}, {21, "4", "$"}, {23, "5", "%"},
    {22, "6", "^"}, {26, "7", "&"}, {28, "8", "*"}, {25, "9", "("}, {29, "0", ")"},
};

constexpr Entry kRussian[] = {
    {12, "й", "Й"}, {13, "ц", "Ц"}, {14, "у", "У"}, {15, "к", "К"}, {17, "е", "Е"}, {16, "н", "Н"},
    {32, "г", "Г"}, {34, "ш", "Ш"}, {31, "щ", "Щ"}, {35, "з", "З"}, {33, "х", "Х"}, {30, "ъ", "Ъ"},
    {0, "ф", "Ф"},  {1, "ы", "Ы"},  {2, "в", "В"},  {3, "а", "А"},  {5, "п", "П"},  {4, "р", "Р"},
    {38, "о", "О"}, {40, "л", "Л"}, {37, "д", "Д"}, {41, "ж", "Ж"}, {39, "э", "Э"}, {6, "я", "Я"},
    {7, "ч", "Ч"},  {8, "с", "С"},  {9, "м", "М"},  {11, "и", "И"}, {45, "т", "Т"}, {46, "ь", "Ь"},
    {43, "б", "Б"}, {47, "ю", "Ю"}, {44, ".", ","}, {50, "ё", "Ё"}, {24, "=", "+"}, {27, "-", "_"},
    {42, "\\", "/"},
};

// Function keys F1...F19 in order, which type U+F704...U+F716.
constexpr uint16_t kFunctionKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109,
                                      103, 111, 105, 107, 113, 106, 64, 79, 80};

}  // namespace

void KeyboardLayout::addSpecialKeys() {
    for (const auto& e : kDigits) keys_[e.code] = {e.plain, e.shifted};
    const std::pair<uint16_t, const char*> plainKeys[] = {
        {36, "\r"}, {48, "\t"}, {49, " "}, {51, "\x7f"}, {53, "\x1b"}, {76, "\x03"},
        {65, "."},  {67, "*"},  {69, "+"}, {75, "/"},    {78, "-"},    {81, "="},
        {82, "0"},  {83, "1"},  {84, "2"}, {85, "3"},    {86, "4"},    {87, "5"},
        {88, "6"},  {89, "7"},  {91, "8"}, {92, "9"},
    };
    for (const auto& [code, text] : plainKeys) keys_[code] = {text, text};
    for (size_t i = 0; i < std::size(kFunctionKeys); ++i) {
        const std::string c = utf8(0xF704 + static_cast<char32_t>(i));
        keys_[kFunctionKeys[i]] = {c, c};
    }
    const std::pair<uint16_t, uint32_t> specials[] = {
        {126, 0xF700}, {125, 0xF701}, {123, 0xF702}, {124, 0xF703}, {117, 0xF728},
        {115, 0xF729}, {119, 0xF72B}, {116, 0xF72C}, {121, 0xF72D}, {114, 0xF746},
    };
    for (const auto& [code, c] : specials) keys_[code] = {utf8(c), utf8(c)};
}

KeyboardLayout KeyboardLayout::usANSI() {
    KeyboardLayout layout("U.S.");
    layout.addSpecialKeys();
    for (const auto& e : kUSLetters) layout.keys_[e.code] = {e.plain, e.shifted};
    for (const auto& e : kUSPunctuation) layout.keys_[e.code] = {e.plain, e.shifted};
    return layout;
}

KeyboardLayout KeyboardLayout::russian() {
    KeyboardLayout layout("Russian");
    layout.addSpecialKeys();
    for (const auto& e : kRussian) layout.keys_[e.code] = {e.plain, e.shifted};
    return layout;
}

const KeyboardLayout::Key* KeyboardLayout::key(uint16_t keyCode) const {
    auto it = keys_.find(keyCode);
    return it == keys_.end() ? nullptr : &it->second;
}

std::pair<std::string, std::string> KeyboardLayout::characters(uint16_t keyCode, EventFlags flags) const {
    const Key* k = key(keyCode);
    if (!k) return {};
    const bool shift = flags & event_flags::shift;
    const std::string ignoring = shift ? k->shifted : k->plain;
    if ((flags & event_flags::control) && !(flags & event_flags::command) && isAsciiLetter(k->plain)) {
        return {std::string(1, static_cast<char>(k->plain[0] & 0x1F)), ignoring};
    }
    const bool caps = (flags & event_flags::capsLock) && isAsciiLetter(k->plain);
    return {shift || caps ? k->shifted : k->plain, ignoring};
}

std::optional<std::string> charactersByApplyingModifiers(const EventRecord& event, EventFlags modifiers) {
    if (event.type() != EventType::keyDown && event.type() != EventType::keyUp) return std::nullopt;
    desktop::Desktop* world = desktop::Desktop::currentOrNull();
    if (!world) return std::nullopt;
    auto guard = world->lock();
    return SimulatedInput::of(*world).keyboardLayout().characters(event.keyCode(), modifiers).first;
}

}  // namespace platform
