#pragma once

// The user's defaults of one domain: what the program keeps between runs.
//
// A read looks at the stored value first, then at the registered defaults. Typed reads
// convert as the system's defaults do (platform/defaults/conversions.h): a Boolean read
// of true, of a number other than 0, of "YES" or "true" in any case, or of a numeric
// string other than 0 is true; an integer or real read of a numeric string converts;
// anything else reads as 0, false or nothing. String, array and dictionary reads give
// nothing for a value of another type.
//
// This base class keeps its values in memory. FileUserDefaults (file_user_defaults.h)
// keeps them in a file that survives crashes and is shared safely between processes;
// the standard domain is one of those. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/plist/value.h"

namespace platform {

inline constexpr const char* kProgramDefaultsDomain = "com.brindlewick.FurlpaneNovan";

// What became of a write.
enum class WriteStatus {
    stored,     // in the domain: on disk, for a durable one
    unwritten,  // kept in memory, where reads see it, to be written later (see FileUserDefaults)
    refused,    // not kept: the value, or the domain's file with it, would be more than can be
                // stored and read back; what was stored before is unchanged
};

class UserDefaults {
public:
    // An in-memory domain; nothing survives the object.
    explicit UserDefaults(std::string domain);
    virtual ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The program's own domain for this run of the process (kProgramDefaultsDomain),
    // made on first use: durable, in the user's configuration folder
    // (FileUserDefaults::defaultFolder), or in memory when the process has no home folder
    // at all.
    static UserDefaults& standard();
    // Replaces the run's standard domain (tests, tools, the simulated desktop); returns
    // the new one. Null goes back to making the durable one on next use.
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

    // Each write is stored at once (a durable domain has it on disk when this returns,
    // or keeps it to retry, or refuses it; see FileUserDefaults).
    WriteStatus set(std::string_view key, plist::Value value);
    WriteStatus remove(std::string_view key);

    // Read-modify-write of one key as one step. `change` gets what is stored now (in a
    // durable domain: read from disk under the domain's lock, so that what another
    // process wrote in the meantime is seen and kept) and returns the new value, or
    // nothing to remove the key. Use it when several processes keep parts of one value
    // (the ledger of changed windows keeps one list per running instance). A durable
    // domain that cannot write the file at once keeps `change` and makes it again from
    // the stored value of each later try, so it must hold by value what it uses.
    using Change = std::function<std::optional<plist::Value>(std::optional<plist::Value> stored)>;
    WriteStatus update(std::string_view key, const Change& change);

    // Writes what could not be written before; true when nothing is left unwritten.
    virtual bool synchronize();

    // Everything stored, without the registered defaults.
    plist::Dictionary storedValues() const;

protected:
    // Whether the program registered a value for the key: a key of its own.
    bool isRegistered(std::string_view key) const { return registered_.contains(key); }

    // Storage hooks for durable domains. The base class keeps values in memory.
    virtual plist::Dictionary load() const;
    // One stored value; the base class looks it up in load(). A domain with a large
    // store answers without copying all of it.
    virtual std::optional<plist::Value> loadOne(std::string_view key) const;
    virtual WriteStatus store(std::string_view key, const std::optional<plist::Value>& value);
    // The read-modify-write of update(); the base class applies `change` to load().
    virtual WriteStatus storeUpdated(std::string_view key, const Change& change);

private:
    std::string domain_;
    plist::Dictionary registered_;
    mutable plist::Dictionary memory_;
};

}  // namespace platform
