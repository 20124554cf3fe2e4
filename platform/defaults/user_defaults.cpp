#include "platform/defaults/user_defaults.h"

#include "platform/defaults/conversions.h"
#include "platform/defaults/file_user_defaults.h"
#include "platform/runtime/process_once.h"

namespace platform {

namespace {

// Each run of the process reads its defaults afresh: nothing of an earlier run's memory
// reaches a later one.
std::unique_ptr<UserDefaults>& standardSlot() {
    static ProcessLocal<std::unique_ptr<UserDefaults>> slot;
    return slot.get();
}

std::unique_ptr<UserDefaults> makeStandard() {
    if (auto folder = FileUserDefaults::defaultFolder()) {
        if (auto durable = FileUserDefaults::create(kProgramDefaultsDomain, *folder)) return durable;
    }
    return std::make_unique<UserDefaults>(kProgramDefaultsDomain);
}

}  // namespace

UserDefaults::UserDefaults(std::string domain) : domain_(std::move(domain)) {}

UserDefaults::~UserDefaults() = default;

UserDefaults& UserDefaults::standard() {
    auto& slot = standardSlot();
    if (!slot) slot = makeStandard();
    return *slot;
}

UserDefaults& UserDefaults::setStandard(std::unique_ptr<UserDefaults> defaults) {
    standardSlot() = std::move(defaults);
    return standard();
}

void UserDefaults::registerDefaults(const plist::Dictionary& values) {
    for (size_t i = 0; i < values.size(); ++i) registered_.set(values.keyAt(i), values.valueAt(i));
}

plist::Dictionary UserDefaults::load() const { return memory_; }

WriteStatus UserDefaults::store(std::string_view key, const std::optional<plist::Value>& value) {
    if (value) {
        memory_.set(std::string(key), *value);
    } else {
        memory_.erase(key);
    }
    return WriteStatus::stored;
}

WriteStatus UserDefaults::storeUpdated(std::string_view key, const Change& change) {
    return store(key, change(storedObject(key)));
}

bool UserDefaults::synchronize() { return true; }

std::optional<plist::Value> UserDefaults::loadOne(std::string_view key) const {
    const plist::Dictionary values = load();
    if (const plist::Value* v = values.find(key)) return *v;
    return std::nullopt;
}

std::optional<plist::Value> UserDefaults::storedObject(std::string_view key) const { return loadOne(key); }

std::optional<plist::Value> UserDefaults::object(std::string_view key) const {
    if (auto v = storedObject(key)) return v;
    if (const plist::Value* v = registered_.find(key)) return *v;
    return std::nullopt;
}

bool UserDefaults::boolean(std::string_view key) const {
    auto v = object(key);
    return v && defaults::booleanOf(*v);
}

double UserDefaults::real(std::string_view key) const {
    auto v = object(key);
    return v ? defaults::realOf(*v) : 0;
}

int64_t UserDefaults::integer(std::string_view key) const {
    auto v = object(key);
    return v ? defaults::integerOf(*v) : 0;
}

std::optional<std::string> UserDefaults::string(std::string_view key) const {
    auto v = object(key);
    if (!v || !v->string()) return std::nullopt;
    return *v->string();
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

WriteStatus UserDefaults::set(std::string_view key, plist::Value value) { return store(key, value); }

WriteStatus UserDefaults::remove(std::string_view key) { return store(key, std::nullopt); }

WriteStatus UserDefaults::update(std::string_view key, const Change& change) { return storeUpdated(key, change); }

plist::Dictionary UserDefaults::storedValues() const { return load(); }

}  // namespace platform
