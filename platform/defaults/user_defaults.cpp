#include "platform/defaults/user_defaults.h"

#include <cerrno>
#include <cstdlib>
#include <strings.h>

namespace platform {

namespace {

std::unique_ptr<UserDefaults>& standardSlot() {
    static std::unique_ptr<UserDefaults> slot;
    return slot;
}

// A whole-string decimal number, or nothing.
std::optional<double> parseNumber(const std::string& s) {
    if (s.empty()) return std::nullopt;
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == begin || *end != '\0') return std::nullopt;
    return d;
}

}  // namespace

UserDefaults::UserDefaults(std::string domain) : domain_(std::move(domain)) {}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard() {
    auto& slot = standardSlot();
    if (!slot) slot = std::make_unique<UserDefaults>("com.brindlewick.FurlpaneNovan");
    return *slot;
}

UserDefaults& UserDefaults::setStandard(std::unique_ptr<UserDefaults> defaults) {
    standardSlot() = std::move(defaults);
    return standard();
}

void UserDefaults::registerDefaults(const plist::Dictionary& values) {
    for (size_t i = 0; i < values.size(); ++i) registered_.set(values.keys()[i], values.valueAt(i));
}

plist::Dictionary UserDefaults::load() const { return memory_; }

void UserDefaults::store(std::string_view key, const std::optional<plist::Value>& value) {
    if (value) {
        memory_.set(std::string(key), *value);
    } else {
        memory_.erase(key);
    }
}

std::optional<plist::Value> UserDefaults::storedObject(std::string_view key) const {
    const plist::Dictionary values = load();
    if (const plist::Value* v = values.find(key)) return *v;
    return std::nullopt;
}

std::optional<plist::Value> UserDefaults::object(std::string_view key) const {
    if (auto v = storedObject(key)) return v;
    if (const plist::Value* v = registered_.find(key)) return *v;
    return std::nullopt;
}

bool UserDefaults::boolean(std::string_view key) const {
    auto v = object(key);
    if (!v) return false;
    if (auto b = v->boolean()) return *b;
    if (auto n = v->number()) return *n != 0;
    if (const std::string* s = v->string()) {
        return strcasecmp(s->c_str(), "yes") == 0 || strcasecmp(s->c_str(), "true") == 0 || *s == "1";
    }
    return false;
}

double UserDefaults::real(std::string_view key) const {
    auto v = object(key);
    if (!v) return 0;
    if (auto b = v->boolean()) return *b ? 1 : 0;
    if (auto n = v->number()) return *n;
    if (const std::string* s = v->string()) return parseNumber(*s).value_or(0);
    return 0;
}

int64_t UserDefaults::integer(std::string_view key) const {
    auto v = object(key);
    if (v && v->integer()) return *v->integer();
    const double d = real(key);
    if (!(d == d)) return 0;
    if (d >= 9223372036854775807.0) return INT64_MAX;
    if (d <= -9223372036854775807.0) return INT64_MIN;
    return static_cast<int64_t>(d);
}

std::optional<std::string> UserDefaults::string(std::string_view key) const {
    auto v = object(key);
    if (!v) return std::nullopt;
    if (const std::string* s = v->string()) return *s;
    return std::nullopt;
}

std::optional<plist::Array> UserDefaults::array(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->array()) return std::nullopt;
    return *v->array();
}

std::optional<plist::Dictionary> UserDefaults::dictionary(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->dictionary()) return std::nullopt;
    return *v->dictionary();
}

void UserDefaults::set(std::string_view key, plist::Value value) { store(key, value); }

void UserDefaults::remove(std::string_view key) { store(key, std::nullopt); }

plist::Dictionary UserDefaults::storedValues() const { return load(); }

}  // namespace platform
