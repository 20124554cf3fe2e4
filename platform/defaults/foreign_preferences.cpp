#include "platform/defaults/foreign_preferences.h"

#include "platform/defaults/conversions.h"

namespace platform {

namespace {

ForeignPreferences* g_current = nullptr;

void apply(plist::Dictionary& values, const std::string& key, const std::optional<plist::Value>& value) {
    if (value) {
        values.set(key, *value);
    } else {
        values.erase(key);
    }
}

}  // namespace

ForeignPreferences& ForeignPreferences::current() {
    static ForeignPreferences processStore;
    return g_current ? *g_current : processStore;
}

void ForeignPreferences::setCurrent(ForeignPreferences* store) { g_current = store; }

const ForeignPreferences::Domain* ForeignPreferences::find(const std::string& domain) const {
    auto it = domains_.find(domain);
    return it == domains_.end() ? nullptr : &it->second;
}

std::optional<plist::Value> ForeignPreferences::copyValue(const std::string& key, const std::string& domain) const {
    const Domain* d = find(domain);
    if (!d) return std::nullopt;
    // The program's latest own change of the key wins over what is published.
    for (auto it = d->unpublished.rbegin(); it != d->unpublished.rend(); ++it) {
        if (it->key == key) return it->value;
    }
    if (const plist::Value* v = d->published.find(key)) return *v;
    return std::nullopt;
}

bool ForeignPreferences::booleanValue(const std::string& key, const std::string& domain) const {
    auto v = copyValue(key, domain);
    return v && defaults::booleanOf(*v);
}

void ForeignPreferences::setValue(const std::string& key, std::optional<plist::Value> value,
                                  const std::string& domain) {
    auto& unpublished = domains_[domain].unpublished;
    std::erase_if(unpublished, [&](const Change& c) { return c.key == key; });
    unpublished.push_back({key, std::move(value)});
}

bool ForeignPreferences::synchronize(const std::string& domain) {
    Domain& d = domains_[domain];
    if (d.failNext) {
        d.failNext = false;
        return false;
    }
    for (const Change& change : d.unpublished) apply(d.published, change.key, change.value);
    d.unpublished.clear();
    ++d.synchronized;
    if (onSynchronize_) {
        auto handler = onSynchronize_;
        handler(domain);
    }
    return true;
}

plist::Dictionary ForeignPreferences::domainValues(const std::string& domain) const {
    const Domain* d = find(domain);
    return d ? d->published : plist::Dictionary{};
}

int ForeignPreferences::synchronizeCount(const std::string& domain) const {
    const Domain* d = find(domain);
    return d ? d->synchronized : 0;
}

void ForeignPreferences::setOwnerValue(const std::string& key, std::optional<plist::Value> value,
                                       const std::string& domain) {
    apply(domains_[domain].published, key, value);
}

void ForeignPreferences::setSynchronizeHandler(SynchronizeHandler handler) { onSynchronize_ = std::move(handler); }

void ForeignPreferences::failNextSynchronize(const std::string& domain) { domains_[domain].failNext = true; }

}  // namespace platform
