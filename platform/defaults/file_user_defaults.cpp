#include "platform/defaults/file_user_defaults.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <system_error>
#include <unordered_set>

#include "platform/graphics/utf8.h"
#include "platform/plist/xml_writer.h"
#include "platform/runtime/main_loop.h"

namespace platform {

namespace {

bool namesAFile(const std::string& domain) {
    return !domain.empty() && domain != "." && domain != ".." && domain.size() <= 200 &&
           domain.find('/') == std::string::npos && domain.find('\0') == std::string::npos;
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::optional<std::string> passwordDatabaseHome() {
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found || !found->pw_dir) {
        return std::nullopt;
    }
    return std::string(found->pw_dir);
}

}  // namespace

FileUserDefaults::FileUserDefaults(std::string domain, std::filesystem::path folder)
    : UserDefaults(domain),
      folder_(std::move(folder)),
      path_(folder_ / (domain + ".plist")),
      lockPath_(folder_ / (domain + ".plist.lock")) {}

FileUserDefaults::~FileUserDefaults() = default;

std::unique_ptr<FileUserDefaults> FileUserDefaults::create(std::string domain, std::filesystem::path folder) {
    if (!namesAFile(domain) || folder.empty()) return nullptr;
    // The folder is made component by component from the root, so it must be absolute.
    std::error_code ec;
    folder = std::filesystem::absolute(folder, ec);
    if (ec) return nullptr;
    return std::unique_ptr<FileUserDefaults>(new FileUserDefaults(std::move(domain), folder.lexically_normal()));
}

std::optional<std::filesystem::path> FileUserDefaults::defaultFolder(const std::optional<std::string>& xdgConfigHome,
                                                                     const std::optional<std::string>& home) {
    // The base directory rules: a relative path in the variable is to be ignored.
    const auto usable = [](const std::optional<std::string>& s) { return s && !s->empty() && (*s)[0] == '/'; };
    if (usable(xdgConfigHome)) return std::filesystem::path(*xdgConfigHome) / kFolderName;
    if (usable(home)) return std::filesystem::path(*home) / ".config" / kFolderName;
    return std::nullopt;
}

std::optional<std::filesystem::path> FileUserDefaults::defaultFolder() {
    auto home = environmentValue("HOME");
    if (!home || home->empty()) home = passwordDatabaseHome();
    return defaultFolder(environmentValue("XDG_CONFIG_HOME"), home);
}

FileUserDefaults::FileState FileUserDefaults::fileState() const {
    refresh();
    return state_;
}

std::optional<plist::ReadError> FileUserDefaults::lastReadError() const {
    refresh();
    return readError_;
}

uint64_t FileUserDefaults::changeCount() const {
    refresh();
    return changes_;
}

void FileUserDefaults::refresh() const {
    const durable::FileSignature signature = durable::signatureOf(path_);
    if (loaded_ && signature == signature_) return;
    if (!signature.exists) {
        adopt(signature, plist::ReadResult::failure(plist::ReadError::missing));
        return;
    }
    plist::DocumentText document = plist::readDocumentText(path_);
    if (document.failure) {
        adopt(signature, std::move(*document.failure));
        return;
    }
    // The very text this object last parsed or wrote: what it holds is still the
    // file's, and parsing it again (a third of a second at the size limit) is saved.
    const size_t hash = std::hash<std::string_view>{}(document.text);
    if (parsedText_ == hash) {
        loaded_ = true;
        signature_ = signature;
        return;
    }
    adopt(signature, plist::parseXmlDictionary(document.text));
    // A file read in part is parsed to the same values every time, and a write reads it
    // again under the lock: its text counts as well.
    if (state_ == FileState::sound || state_ == FileState::partlyRead) parsedText_ = hash;
}

void FileUserDefaults::adopt(const durable::FileSignature& signature, plist::ReadResult read) const {
    loaded_ = true;
    ++changes_;
    parsedText_.reset();
    signature_ = signature;
    readError_.reset();
    disk_ = plist::Dictionary{};
    inexactKeys_.clear();
    if (read.ok()) {
        state_ = read.isExact() ? FileState::sound : FileState::partlyRead;
        inexactKeys_ = read.inexactKeys();
        disk_ = std::move(*std::move(read).value().dictionary());
    } else if (read.error() == plist::ReadError::missing) {
        state_ = FileState::absent;
    } else {
        state_ = FileState::unreadable;
        readError_ = read.error();
    }
}

void FileUserDefaults::applyPending(plist::Dictionary& values) const {
    for (const PendingChange& change : pending_) {
        if (change.value) {
            values.set(change.key, *change.value);
        } else {
            values.erase(change.key);
        }
    }
}

plist::Dictionary FileUserDefaults::effective() const {
    refresh();
    plist::Dictionary values = disk_;
    applyPending(values);
    return values;
}

plist::Dictionary FileUserDefaults::load() const {
    ++wholeReads_;
    return effective();
}

std::optional<plist::Value> FileUserDefaults::loadOne(std::string_view key) const {
    refresh();
    return valueBefore(pending_.size(), key);
}

std::optional<plist::Value> FileUserDefaults::valueBefore(size_t index, std::string_view key) const {
    for (size_t i = index; i-- > 0;) {
        if (pending_[i].key == key) return pending_[i].value;
    }
    if (const plist::Value* v = disk_.find(key)) return *v;
    return std::nullopt;
}

WriteStatus FileUserDefaults::store(std::string_view key, const std::optional<plist::Value>& value) {
    // A change made again makes again the writes it made from inside when it first ran:
    // those stand already, each as it was made.
    if (reapplying_) return WriteStatus::unwritten;
    const size_t own = pending_.size();
    bool refused = false;
    pushChange(key, value, refused);
    if (refused) return WriteStatus::refused;
    // A write from inside an update's change joins the write under way; taking the
    // lock again would wait for ever on ourselves.
    if (writing_) return WriteStatus::unwritten;
    return writeOut(own);
}

WriteStatus FileUserDefaults::storeUpdated(std::string_view key, const Change& change) {
    if (reapplying_) return WriteStatus::unwritten;
    if (!writing_) return writeOut(pending_.size(), key, &change);
    bool refused = false;
    pushUpdate(key, change, refused);
    return refused ? WriteStatus::refused : WriteStatus::unwritten;
}

bool FileUserDefaults::synchronize() {
    if (!pending_.empty()) writeOut(pending_.size());
    return pending_.empty();
}

void FileUserDefaults::pushChange(std::string_view key, std::optional<plist::Value> value, bool& refused) {
    // A value too deep to write would never reach the file; it is refused at once.
    if (value && !plist::isWritable(*value, 1)) {
        refused = true;
        return;
    }
    // Kept as the file will hold it, so that reads see now what a later start reads.
    if (value) value = plist::asWritten(*value);
    pending_.push_back({std::string(key), std::move(value), {}});
    ++changes_;
}

// The change stays one until it is written: the value it gives now is what reads see
// meanwhile, and every later try makes it again from the file as it is then.
void FileUserDefaults::pushUpdate(std::string_view key, const Change& change, bool& refused) {
    pushChange(key, change(loadOne(key)), refused);
    if (!refused) pending_.back().change = change;
}

// Another process may have written the file since these changes were made from it: each
// is made again, in order, from what the file holds now and the changes before it, so
// that what the other wrote passes through it. One whose value could no longer be
// written is refused now, and the key keeps what the file and the changes before give it.
void FileUserDefaults::applyChangesAgain(size_t& own) {
    reapplying_ = true;
    for (size_t i = 0; i < pending_.size();) {
        if (!pending_[i].change) {
            ++i;
            continue;
        }
        ++changes_;
        std::optional<plist::Value> value = pending_[i].change(valueBefore(i, pending_[i].key));
        if (value && !plist::isWritable(*value, 1)) {
            pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
            if (i < own) --own;
            tellRefused();
            continue;
        }
        if (value) value = plist::asWritten(*value);
        pending_[i++].value = std::move(value);
    }
    reapplying_ = false;
}

WriteStatus FileUserDefaults::writeOut(size_t own, std::string_view key, const Change* change) {
    writing_ = true;
    const WriteStatus status = writeOutLocked(own, key, change);
    writing_ = false;
    if (!pending_.empty()) retryLater();
    return status;
}

WriteStatus FileUserDefaults::writeOutLocked(size_t own, std::string_view key, const Change* change) {
    std::optional<durable::FileLock> lock;
    const Result<void> access = lockFile(lock);
    if (access) applyChangesAgain(own);
    bool refused = false;
    if (change) pushUpdate(key, *change, refused);
    const WriteStatus done = refused ? WriteStatus::refused : WriteStatus::stored;
    if (!access) {
        if (!pending_.empty()) tellUnwritten(access.error());
        return pending_.size() > own ? WriteStatus::unwritten : done;
    }
    if (pending_.empty()) return done;
    return writeFile(own, refused);
}

// Takes the lock that every writer of the domain takes, and reads the file as it is now:
// that is what the changes are merged into.
Result<void> FileUserDefaults::lockFile(std::optional<durable::FileLock>& lock) {
    if (Result<void> folder = durable::makeFolder(folder_); !folder) return folder;
    lock.emplace(lockPath_, lockWait_);
    if (!lock->held()) return lock->failure();
    durable::removeStaleTemporaries(path_);
    if (const auto target = durable::linkTarget(path_); target != path_) durable::removeStaleTemporaries(target);
    loaded_ = false;
    refresh();
    return {};
}

WriteStatus FileUserDefaults::writeFile(size_t own, bool refused) {
    const FileState before = state_;
    plist::Dictionary merged;
    bool crowdedOut = false;
    const auto xml = fittingDocument(own, refused, merged, crowdedOut);
    if (refused) tellRefused();
    if (!xml) return refused ? WriteStatus::refused : WriteStatus::stored;
    // A file that did not read as it stands, or whose values are left out to make room,
    // goes aside before the new one takes its place.
    const bool keepOld = before == FileState::partlyRead || before == FileState::unreadable || crowdedOut;
    std::optional<durable::KeptCopy> kept;
    if (Result<void> written = replaceFile(*xml, keepOld, kept); !written) {
        tellUnwritten(written.error());
        return WriteStatus::unwritten;
    }
    adoptWritten(std::move(merged), *xml);
    if (kept) tellKept(*kept, crowdedOut ? Crowding::crowdedOut : Crowding::none, before);
    return refused ? WriteStatus::refused : WriteStatus::stored;
}

// The document of the file with the pending changes. When it would be more than the
// reader takes back, the values of the file that did not read as they stand are left
// out, then sound values that no change touches (`crowdedOut`), and then the newest
// changes are given up, one at a time, until it fits; `refused` tells whether one of
// this call's went. The file the values came from is kept aside whole before it is
// replaced. None when none is left to write.
// The changes are merged into the file's values in place, not into a copy (at the size
// limit a copy costs as much as the write), so until the file is written the object
// holds no reading of it and reads it again when asked.
std::optional<std::string> FileUserDefaults::fittingDocument(size_t own, bool& refused, plist::Dictionary& merged,
                                                             bool& crowdedOut) {
    while (!pending_.empty()) {
        refresh();
        merged = std::move(disk_);
        disk_ = plist::Dictionary{};
        loaded_ = false;
        parsedText_.reset();
        applyPending(merged);
        if (auto xml = plist::toXml(merged)) return xml;
        if (leaveOutInexact(merged)) {
            if (auto xml = plist::toXml(merged)) return xml;
        }
        if (leaveOutForeign(merged)) {
            auto xml = plist::toXml(merged);
            crowdedOut = xml.has_value();
            if (xml) return xml;
        }
        refused = refused || pending_.size() > own;
        pending_.pop_back();
        ++changes_;
    }
    return std::nullopt;
}

bool FileUserDefaults::isChanged(std::string_view key) const {
    return std::any_of(pending_.begin(), pending_.end(), [key](const PendingChange& c) { return c.key == key; });
}

// Text that is not UTF-8 grows by half or more when written: a file that held much of it
// would never be written again, and the program's own values with it.
bool FileUserDefaults::leaveOutInexact(plist::Dictionary& merged) const {
    const std::unordered_set<std::string_view> inexact(inexactKeys_.begin(), inexactKeys_.end());
    return merged.eraseIf([&](std::string_view key, const plist::Value&) {
        return inexact.contains(key) && !isChanged(key);
    }) > 0;
}

// Another tool may fill the file nearly to the limit with values of its own: they would
// keep every change of the program's out, its ledger among them. The largest values that
// no change touches and that the program did not register make room, as few of them as
// it takes; false, leaving `merged` as it was, when no choice of them would do.
bool FileUserDefaults::leaveOutForeign(plist::Dictionary& merged) const {
    struct Candidate {
        size_t bytes;
        size_t index;
    };
    std::unordered_set<std::string_view> changed;
    for (const PendingChange& change : pending_) changed.insert(change.key);
    size_t total = plist::writtenDictionaryFrame();
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < merged.size(); ++i) {
        const std::string_view key = merged.keyAt(i);
        const auto bytes = plist::writtenEntrySize(key, merged.valueAt(i));
        if (!bytes) return false;
        total += *bytes;
        if (!changed.count(key) && !isRegistered(key)) candidates.push_back({*bytes, i});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.bytes > b.bytes; });
    std::vector<bool> leftOut(merged.size(), false);
    size_t taken = 0;
    for (; taken < candidates.size() && total > plist::kMaxDocumentBytes; ++taken) {
        total -= candidates[taken].bytes;
        leftOut[candidates[taken].index] = true;
    }
    if (taken == 0 || total > plist::kMaxDocumentBytes) return false;
    plist::Dictionary kept;
    for (size_t i = 0; i < merged.size(); ++i) {
        const std::string key(merged.keyAt(i));
        if (!leftOut[i]) kept.set(key, std::move(*merged.find(key)));
    }
    merged = std::move(kept);
    return true;
}

Result<void> FileUserDefaults::replaceFile(const std::string& xml, bool keepOld,
                                           std::optional<durable::KeptCopy>& kept) {
    // Through a symbolic link to the file it names: the link stays a link. A link that
    // leads nowhere a file can be written (a loop, a folder, into a folder that does not
    // exist) is replaced by the file, whatever the file read as; where it led is kept
    // first and said, as for any file a write cannot give back.
    const std::filesystem::path target = durable::linkTarget(path_);
    std::error_code ec;
    keepOld = keepOld || (target == path_ && std::filesystem::is_symlink(std::filesystem::symlink_status(path_, ec)));
    durable::Step keep;
    if (keepOld) {
        keep = [&]() -> Result<void> {
            Result<durable::KeptCopy> copy = durable::keepAside(path_, target);
            if (!copy) return copy.error();
            kept = *copy;
            return {};
        };
    }
    return durable::replaceAtomically(target, xml, keep);
}

void FileUserDefaults::adoptWritten(plist::Dictionary merged, const std::string& xml) {
    disk_ = std::move(merged);
    ++changes_;
    inexactKeys_.clear();
    loaded_ = true;
    parsedText_ = std::hash<std::string_view>{}(xml);
    pending_.clear();
    state_ = FileState::sound;
    readError_.reset();
    signature_ = durable::signatureOf(path_);
    toldUnwritten_ = false;
}

void FileUserDefaults::retryLater() {
    if (retryScheduled_ || !MainLoop::exists()) return;
    retryScheduled_ = true;
    MainLoop::main().postAfter(kRetryDelay, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired()) return;
        retryScheduled_ = false;
        synchronize();
    });
}

// ---- What the user is told -----------------------------------------------------------

// The paths in a message are the user's (a folder named with an escape in $TMPDIR):
// they reach the terminal as text, escaped as every other message escapes them.
void FileUserDefaults::tell(const std::string& message) const {
    std::cerr << printable(domain() + ": " + message) << '\n';
}

void FileUserDefaults::tellKept(const durable::KeptCopy& kept, Crowding crowding, FileState before) {
    keptAside_.push_back(kept.path);
    std::string what = " held values that could not be written back as they were";
    if (kept.linkText) {
        what = " is a symbolic link that leads to no file that can be read or written";
    } else if (before == FileState::unreadable) {
        what = " could not be read whole";
    } else if (crowding == Crowding::crowdedOut) {
        what = " held too much to take the program's changes as well; its largest values are left out";
    }
    std::string where = kept.earlier ? "; a copy with the same content was kept before as "
                                     : "; the file as it was is kept as ";
    if (kept.linkText) where = "; where it led is kept as ";
    tell("the settings file " + path_.string() + what + where + kept.path.string());
}

void FileUserDefaults::tellUnwritten(const Failure& why) {
    if (toldUnwritten_) return;
    toldUnwritten_ = true;
    tell("the settings file " + path_.string() + " cannot be written (" + why.message +
         "); changes are kept in memory and tried again");
}

void FileUserDefaults::tellRefused() {
    if (toldRefused_) return;
    toldRefused_ = true;
    tell("changes are refused that would make the settings file " + path_.string() +
         " larger than can be read back");
}

}  // namespace platform
