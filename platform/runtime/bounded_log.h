#pragma once

// A record that keeps only its newest entries: what a process that runs for days writes
// down for tests, tools and the journal (events injected, notifications posted, sounds,
// menus shown) must not grow with every change it records.
//
// Entries are added at the back; once more than the capacity are held, the oldest go.
// Every entry has a sequence number, counted from 0 since the log was made or cleared,
// that stays its own while entries before it go: a reader that remembers how far it has
// read (a mark) keeps its place with entry(sequence) and sequenceEnd(), and learns from
// firstSequence() what went before it looked. Indexing ([], begin, back) is over the
// entries kept. Not thread-safe: its owner guards it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

namespace platform {

template <class T>
class BoundedLog {
public:
    using const_iterator = typename std::deque<T>::const_iterator;

    explicit BoundedLog(size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

    size_t capacity() const { return capacity_; }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const T& operator[](size_t index) const { return entries_[index]; }
    T& operator[](size_t index) { return entries_[index]; }
    const T& front() const { return entries_.front(); }
    const T& back() const { return entries_.back(); }
    T& back() { return entries_.back(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

    // The sequence number of the oldest entry kept, and the one the next entry will get.
    uint64_t firstSequence() const { return dropped_; }
    uint64_t sequenceEnd() const { return dropped_ + entries_.size(); }
    // The entry with a sequence number; null when it has gone or is yet to come.
    const T* entry(uint64_t sequence) const {
        if (sequence < dropped_ || sequence >= sequenceEnd()) return nullptr;
        return &entries_[static_cast<size_t>(sequence - dropped_)];
    }
    T* entry(uint64_t sequence) {
        return const_cast<T*>(static_cast<const BoundedLog&>(*this).entry(sequence));
    }

    // Adds an entry and answers its sequence number.
    uint64_t push_back(T entry) {
        entries_.push_back(std::move(entry));
        while (entries_.size() > capacity_) {
            entries_.pop_front();
            ++dropped_;
        }
        return sequenceEnd() - 1;
    }
    // Forgets every entry; sequence numbers start again at 0.
    void clear() {
        entries_.clear();
        dropped_ = 0;
    }

private:
    size_t capacity_;
    std::deque<T> entries_;
    uint64_t dropped_ = 0;
};

}  // namespace platform
