#include "platform/defaults/foreign_preferences.h"

#include <strings.h>

namespace platform {

namespace {
ForeignPreferences* g_current = nullptr;
}

ForeignPreferences& ForeignPreferences::current() {
    static ForeignPreferences processStore;
    return g_current ? *g_current : processStore;
}

void ForeignPreferences::setCurrent(ForeignPreferences* store) { g_current = store; }

std::optional<plist::Value> ForeignPreferences::copyValue(const std::string& key, const std::string& domain) const {
    auto it = domains_.find(domain);
    if (it == domains_.end()) return std::nullopt;
    if (const plist::Value* v = it->second.find(key)) return *v;
    return std::nullopt;
}

bool ForeignPreferences::booleanValue(const std::string& key, const std::string& domain) const {
    auto v = copyValue(key, domain);
    if (!v) return false;
    if (auto b = v->boolean()) return *b;
    if (auto n = v->number()) return *n != 0;
    if (const std::string* s = v->string()) {
        return strcasecmp(s->c_str(), "yes") == 0 || strcasecmp(s->c_str(), "true") == 0 || *s == "1";
    }
    return false;
}

void ForeignPreferences::setValue(const std::string& key, std::optional<plist::Value> value,
                                  const std::string& domain) {
    if (value) {
        domains_[domain].set(key, std::move(*value));
    } else if (auto it = domains_.find(domain); it != domains_.end()) {
        it->second.erase(key);
    }
}

bool ForeignPreferences::synchronize(const std::string& domain) {
    if (failNext_[domain]) {
        failNext_[domain] = false;
        return false;
    }
    ++synchronized_[domain];
    return true;
}

plist::Dictionary ForeignPreferences::domainValues(const std::string& domain) const {
    auto it = domains_.find(domain);
    return it == domains_.end() ? plist::Dictionary{} : it->second;
}

int ForeignPreferences::synchronizeCount(const std::string& domain) const {
    auto it = synchronized_.find(domain);
    return it == synchronized_.end() ? 0 : it->second;
}

void ForeignPreferences::failNextSynchronize(const std::string& domain) { failNext_[domain] = true; }

}  // namespace platform
