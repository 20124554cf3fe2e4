#pragma once

// The user's defaults of one domain: what the program keeps between runs.
//
// A read looks at the stored value first, then at the registered defaults. Typed reads
// convert as the system's defaults do: a Boolean read of true, a non-zero number, or
// the strings "YES", "true" and "1" is true; an integer or real read of a numeric
// string converts; anything else reads as 0, false or nothing. Writing a key stores
// it at once.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/plist/value.h"

namespace platform {

class UserDefaults {
public:
    // An in-memory domain; nothing survives the object.
    explicit UserDefaults(std::string domain);
    virtual ~UserDefaults();

    // The program's own domain for this process ("com.brindlewick.FurlpaneNovan").
    static UserDefaults& standard();
    // Replaces the process's standard domain (tests and tools); returns the new one.
    static UserDefaults& setStandard(std::unique_ptr<UserDefaults> defaults);

    const std::string& domain() const { return domain_; }

    // Registered values apply whenever a key is not stored; later registrations of a
    // key replace earlier ones. They are never written.
    void registerDefaults(const plist::Dictionary& values);

    // The stored value, else the registered one.
    std::optional<plist::Value> object(std::string_view key) const;
    // Only what is stored.
    std::optional<plist::Value> storedObject(std::string_view key) const;

    bool boolean(std::string_view key) const;
    int64_t integer(std::string_view key) const;
    double real(std::string_view key) const;
    std::optional<std::string> string(std::string_view key) const;
    std::optional<plist::Array> array(std::string_view key) const;
    std::optional<plist::Dictionary> dictionary(std::string_view key) const;

    void set(std::string_view key, plist::Value value);
    void remove(std::string_view key);
    // Everything stored, without the registered defaults.
    plist::Dictionary storedValues() const;

protected:
    // Storage hooks for durable domains. The base class keeps values in memory.
    virtual plist::Dictionary load() const;
    virtual void store(std::string_view key, const std::optional<plist::Value>& value);

private:
    std::string domain_;
    plist::Dictionary registered_;
    mutable plist::Dictionary memory_;
};

}  // namespace platform
