#pragma once

// The world's records of one kind (processes, windows, controls) by their numbers: every
// live record, and the newest few of those that ended (a process that ended, a window
// that closed, a control that was destroyed). The world's cost must not grow with the
// session: a program launched ten thousand times, or a window opened and closed as
// often, leaves no more behind than the first did. Yet a record that ended a moment ago
// is still looked at (a report of its end reaches listeners and the program later, a
// caller on another thread may hold a pointer it was handed just before the end), so an
// ended record goes only once `kept` records have ended after it. The world never gives
// a number twice, so a number whose record has gone finds nothing, as an unknown one does.
//
// Iteration visits the records held (live and recently ended) in the order of their
// numbers, each as its holder. Not thread-safe: the world's lock guards it.

#include <cstddef>
#include <deque>
#include <map>
#include <vector>

namespace platform::desktop {

template <class Key, class Holder>
class RecordTable {
    using Map = std::map<Key, Holder>;

public:
    class const_iterator {
    public:
        explicit const_iterator(typename Map::const_iterator at) : at_(at) {}
        const Holder& operator*() const { return at_->second; }
        const Holder* operator->() const { return &at_->second; }
        const_iterator& operator++() {
            ++at_;
            return *this;
        }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;

    private:
        typename Map::const_iterator at_;
    };

    explicit RecordTable(size_t kept) : kept_(kept) {}

    // The record with this number; null when there is none or it has gone.
    auto* find(Key key) const {
        auto it = records_.find(key);
        return it == records_.end() ? nullptr : it->second.get();
    }
    const Holder* holder(Key key) const {
        auto it = records_.find(key);
        return it == records_.end() ? nullptr : &it->second;
    }
    auto& insert(Key key, Holder record) { return *records_.insert_or_assign(key, std::move(record)).first->second; }
    // The record has ended: it stays until `kept` later ones have ended too. Answers the
    // records that go now (none or one), for the caller to let go of outside its loops.
    std::vector<Holder> retire(Key key) {
        ended_.push_back(key);
        std::vector<Holder> gone;
        while (ended_.size() > kept_) {
            auto it = records_.find(ended_.front());
            ended_.pop_front();
            if (it == records_.end()) continue;
            gone.push_back(std::move(it->second));
            records_.erase(it);
        }
        return gone;
    }

    size_t size() const { return records_.size(); }
    const_iterator begin() const { return const_iterator(records_.begin()); }
    const_iterator end() const { return const_iterator(records_.end()); }

private:
    size_t kept_;
    Map records_;
    std::deque<Key> ended_;
};

}  // namespace platform::desktop
