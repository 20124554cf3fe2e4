#pragma once

// A defaults domain kept in an XML property-list file, "<folder>/<domain>.plist".
//
// Durability. Every set, remove and update rewrites the file before it returns: the
// whole domain goes to a temporary file beside it, which is flushed to the disk and
// renamed over the old file, so a crash at any instant leaves either the old file or
// the new one. A file that is a symbolic link is written where the link leads, and the
// link stays; the new file has the old one's permissions (and can be read by its owner).
// A link that leads nowhere a file can be written (a loop, a folder, into a folder that
// does not exist at the time of the write) is replaced by the file; its text, where it
// led, is kept first as "<domain>.plist.kept-<n>", and standard error says where.
// A write that fails (no space, a read-only folder, a file where the folder should be)
// keeps the change in memory, where reads see it, and retries it with the next write,
// with synchronize(), or by itself kRetryDelay seconds later while the main loop runs;
// standard error says so once, and again only after a write went through in between.
// An update's change stays a change until it is written: every try makes it again,
// under the lock, from the file as it is then, so that what another process wrote in
// the meantime passes through it (a value it no longer gives in a form the file can
// hold is refused then). Writes made from inside it are made only when it first runs.
//
// Limits. A change is refused (WriteStatus::refused) when the file with it would be
// more than the reader takes back (plist::kMaxDocumentBytes, plist::kMaxNesting): such
// a file would read as empty at the next start. What was stored stays as it was. Values
// of the file that did not read as they stand (see below) never crowd out a change:
// when there is no room for both, they are left out of the new file, kept whole in the
// copy kept aside. Nor do sound values that another tool left: when that is still not
// room enough, the largest values that no change touches and that were not registered
// (registerDefaults) are left out, as few as it takes, and the file as it was is kept
// aside the same way. A value is kept as the file will hold it (plist::asWritten: text fit
// for XML, dates in whole seconds), so reads see now what a later start reads.
//
// Several processes. A write is a read-modify-write under an exclusive lock on
// "<domain>.plist.lock": the writer reads the file as it is now, applies only its own
// changed keys, and writes the result, so two processes writing different keys lose
// nothing. Reads notice when another process replaced the file and read it again. A
// write waits while another process writes the same domain, but not for longer than
// lockWait(): a writer stopped or hung while holding the lock leaves the change
// unwritten, to be retried. A set or update made from inside an update's change joins
// that update's write (and reports itself unwritten until then).
//
// Bad files. A file that cannot be read whole (corrupt, truncated, not a property list,
// a root that is not a dictionary, too large, a folder in its place) reads as empty, and
// one with values that writing would change (text that is not UTF-8, a fraction in an
// integer, a malformed date or one past the years the form holds: plist::ReadResult's
// isExact) reads as well as it can. Either way, once the first write's new file is on
// the disk and just before it takes the old one's place, the old one is kept beside it
// as "<domain>.plist.kept-<n>", byte for byte, and standard error says where; when a copy
// with the same bytes is kept there already, that one serves. Nothing is kept for a
// write that does not happen, and a file we cannot keep aside is never replaced: the
// writes stay in memory. Reading never changes anything on disk.
//
// Main thread only; one process may hold several objects on one domain.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/defaults/durable_file.h"
#include "platform/defaults/kept_copies.h"
#include "platform/defaults/user_defaults.h"
#include "platform/plist/xml.h"

namespace platform {

class FileUserDefaults final : public UserDefaults {
public:
    // Name of the program's folder inside the user's configuration folder.
    static constexpr const char* kFolderName = "furlpane-novan";

    // None when `domain` cannot name a file (empty, ".", "..", holding "/" or NUL, or
    // longer than 200 bytes). A relative folder is taken from the current folder. The
    // folder is made on the first write.
    static std::unique_ptr<FileUserDefaults> create(std::string domain, std::filesystem::path folder);
    ~FileUserDefaults() override;

    // How long a write waits for another process's write to end.
    static constexpr std::chrono::milliseconds kLockWait{2000};
    // How long after a write was left unwritten it is tried again.
    static constexpr double kRetryDelay = 5.0;
    std::chrono::milliseconds lockWait() const { return lockWait_; }
    void setLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

    // "$XDG_CONFIG_HOME/furlpane-novan" when that variable holds an absolute path, else
    // "$HOME/.config/furlpane-novan"; none when neither is usable.
    static std::optional<std::filesystem::path> defaultFolder(const std::optional<std::string>& xdgConfigHome,
                                                              const std::optional<std::string>& home);
    // The same from this process's environment (and the password database's home).
    static std::optional<std::filesystem::path> defaultFolder();

    const std::filesystem::path& path() const { return path_; }
    bool synchronize() override;

    // How the file read last time.
    enum class FileState { absent, sound, partlyRead, unreadable };
    FileState fileState() const;
    // Why it was unreadable, when it was.
    std::optional<plist::ReadError> lastReadError() const;
    // Where the bad files this object replaced are kept, in order; a copy kept before
    // that served again is named again.
    const std::vector<std::filesystem::path>& keptAside() const { return keptAside_; }
    bool hasUnwrittenChanges() const { return !pending_.empty(); }

    // A count that moves whenever what storedValues() gives may have changed: with every
    // change made through this object, and when the file was replaced by another object
    // or process (seen as every read sees it, by one look at the file's signature). It
    // costs no read of the values, so that one who watches the domain compares them only
    // when it moved, whatever the file holds.
    uint64_t changeCount() const;
    // How many times storedValues() gave all the values.
    uint64_t wholeReads() const { return wholeReads_; }

protected:
    plist::Dictionary load() const override;
    std::optional<plist::Value> loadOne(std::string_view key) const override;
    WriteStatus store(std::string_view key, const std::optional<plist::Value>& value) override;
    WriteStatus storeUpdated(std::string_view key, const Change& change) override;

private:
    FileUserDefaults(std::string domain, std::filesystem::path folder);

    struct PendingChange {
        std::string key;
        std::optional<plist::Value> value;
        // An update's change, made again at every try until it is written; none for a
        // set or a remove, whose value is the change.
        Change change;
    };

    void refresh() const;
    void adopt(const durable::FileSignature& signature, plist::ReadResult read) const;
    plist::Dictionary effective() const;
    void applyPending(plist::Dictionary& values) const;
    // The key's value as the file and the pending changes before `index` give it.
    std::optional<plist::Value> valueBefore(size_t index, std::string_view key) const;
    // Writes the pending changes; the ones from index `own` on are this call's, and the
    // status is theirs. `change`, when given, is applied under the lock first.
    WriteStatus writeOut(size_t own, std::string_view key = {}, const Change* change = nullptr);
    WriteStatus writeOutLocked(size_t own, std::string_view key, const Change* change);
    Result<void> lockFile(std::optional<durable::FileLock>& lock);
    WriteStatus writeFile(size_t own, bool refused);
    void pushChange(std::string_view key, std::optional<plist::Value> value, bool& refused);
    void pushUpdate(std::string_view key, const Change& change, bool& refused);
    // Makes the pending updates' changes again from the file as just read under the lock;
    // `own` moves down with those before it that are refused.
    void applyChangesAgain(size_t& own);
    std::optional<std::string> fittingDocument(size_t own, bool& refused, plist::Dictionary& merged,
                                               bool& crowdedOut);
    // Whether a pending change is to the key.
    bool isChanged(std::string_view key) const;
    bool leaveOutInexact(plist::Dictionary& merged) const;
    bool leaveOutForeign(plist::Dictionary& merged) const;
    Result<void> replaceFile(const std::string& xml, bool keepOld, std::optional<durable::KeptCopy>& kept);
    void adoptWritten(plist::Dictionary merged, const std::string& xml);
    void retryLater();
    void tell(const std::string& message) const;
    // Whether a write left sound values of the file out to make room for its changes.
    enum class Crowding { none, crowdedOut };
    void tellKept(const durable::KeptCopy& kept, Crowding crowding, FileState before);
    void tellUnwritten(const Failure& why);
    void tellRefused();

    std::filesystem::path folder_;
    std::filesystem::path path_;
    std::filesystem::path lockPath_;

    // The file as last read, and what identified it.
    mutable bool loaded_ = false;
    mutable durable::FileSignature signature_;
    mutable plist::Dictionary disk_;
    mutable FileState state_ = FileState::absent;
    mutable std::optional<plist::ReadError> readError_;
    // Keys of disk_ whose values did not read as the file holds them.
    mutable std::vector<std::string> inexactKeys_;
    // The hash of the file's text while disk_ holds exactly what that text reads as.
    mutable std::optional<size_t> parsedText_;
    // Writes not yet on disk, in the order they were made.
    std::vector<PendingChange> pending_;
    // Moved by every change of disk_ or pending_.
    mutable uint64_t changes_ = 0;
    mutable uint64_t wholeReads_ = 0;
    bool writing_ = false;
    // While pending changes are made again (their writes from inside are not made twice).
    bool reapplying_ = false;
    std::vector<std::filesystem::path> keptAside_;
    // Told once: while the file cannot be written (again after it was), and of refusals.
    bool toldUnwritten_ = false;
    bool toldRefused_ = false;
    std::chrono::milliseconds lockWait_ = kLockWait;
    // Lives as long as the object; a scheduled retry holds it weakly.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool retryScheduled_ = false;
};

}  // namespace platform
