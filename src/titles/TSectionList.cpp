#include "titles/TSectionList.h"

#include <algorithm>
#include <stdexcept>

#include "platform/Cp932.h"

namespace lintel {

std::size_t TSectionList::Section::LineCount() const {
    std::size_t count = 0;
    for (char c : body) {
        count += c == '\n';
    }
    return count;
}

std::uint64_t TSectionList::HashName(std::string_view name) {
    // FNV-1a over the folded bytes, so names equal ignoring case hash alike.
    std::uint64_t hash = 1469598103934665603ull;
    for (std::size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (cp932::IsLeadByte(c) && i + 1 < name.size()) {
            hash = (hash ^ c) * 1099511628211ull;
            c = static_cast<unsigned char>(name[++i]);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c - 'A' + 'a');
        }
        hash = (hash ^ c) * 1099511628211ull;
    }
    // FNV's low bits depend only on the inputs' low bits; the index picks slots by them.
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return hash;
}

TSectionList::TSectionList() = default;

void TSectionList::Reserve(std::size_t count) {
    index_.Reserve(count);
}

TSectionList::Section* TSectionList::Find(std::string_view name) {
    if (cursor_ != nullptr && cp932::EqualsIgnoreCase(cursor_->name, name)) {
        return cursor_;
    }
    Section* found = index_.Find(name, HashName(name));
    if (found != nullptr) {
        cursor_ = found;
    }
    return found;
}

TSectionList::Section& TSectionList::Add(std::string_view name) {
    Section* section = AddUnique(name);
    if (section == nullptr) {
        // Two sections under one name would make lookups depend on the cursor.
        throw std::logic_error("a section named like an existing one was added");
    }
    return *section;
}

TSectionList::Section* TSectionList::AddUnique(std::string_view name) {
    return AddUnique(name, HashName(name));
}

TSectionList::Section* TSectionList::AddUnique(std::string_view name, std::uint64_t hash) {
    auto section = std::make_unique<Section>(Section{std::string(name), {}});
    if (index_.Insert(section.get(), hash) != nullptr) {
        return nullptr;
    }
    sections_.push_back(std::move(section));
    cursor_ = sections_.back().get();
    return cursor_;
}

void TSectionList::Remove(Section* section) {
    index_.Erase(section, HashName(section->name));
    if (cursor_ == section) {
        cursor_ = nullptr;
    }
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (it->get() == section) {
            sections_.erase(it);
            break;
        }
    }
}

void TSectionList::Clear() {
    index_.Clear();
    sections_.clear();
    cursor_ = nullptr;
}

// ---- TSectionList::Index: linear probing, deletion by shifting back ------------------

TSectionList::Section* TSectionList::Index::Find(std::string_view name, std::uint64_t hash) const {
    if (count_ == 0) {
        return nullptr;
    }
    for (std::size_t i = Home(hash);; i = (i + 1) & (slots_.size() - 1)) {
        const Slot& slot = slots_[i];
        if (slot.section == nullptr) {
            return nullptr;
        }
        if (slot.hash == hash && cp932::EqualsIgnoreCase(slot.section->name, name)) {
            return slot.section;
        }
    }
}

TSectionList::Section* TSectionList::Index::Insert(Section* section, std::uint64_t hash) {
    if ((count_ + 1) * 2 > slots_.size()) {
        Grow(std::max<std::size_t>(16, slots_.size() * 2));
    }
    std::size_t i = Home(hash);
    for (; slots_[i].section != nullptr; i = (i + 1) & (slots_.size() - 1)) {
        if (slots_[i].hash == hash &&
            cp932::EqualsIgnoreCase(slots_[i].section->name, section->name)) {
            return slots_[i].section;
        }
    }
    slots_[i] = Slot{hash, section};
    ++count_;
    return nullptr;
}

void TSectionList::Index::Erase(const Section* section, std::uint64_t hash) {
    if (count_ == 0) {
        return;
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = Home(hash);
    while (slots_[hole].section != section) {
        if (slots_[hole].section == nullptr) {
            return;  // not indexed
        }
        hole = (hole + 1) & mask;
    }
    // Shift later members of the probe run back into the hole, so that every lookup
    // still meets its section before a free slot.
    for (std::size_t next = (hole + 1) & mask; slots_[next].section != nullptr;
         next = (next + 1) & mask) {
        const std::size_t home = Home(slots_[next].hash);
        const bool homeAfterHole = ((next - home) & mask) < ((next - hole) & mask);
        if (!homeAfterHole) {
            slots_[hole] = slots_[next];
            hole = next;
        }
    }
    slots_[hole] = Slot{};
    --count_;
}

void TSectionList::Index::Reserve(std::size_t count) {
    std::size_t capacity = 16;
    while (capacity < count * 2) {
        capacity *= 2;
    }
    if (capacity > slots_.size()) {
        Grow(capacity);
    }
}

void TSectionList::Index::Grow(std::size_t capacity) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    for (const Slot& slot : old) {
        if (slot.section != nullptr) {
            std::size_t i = Home(slot.hash);
            while (slots_[i].section != nullptr) {
                i = (i + 1) & (capacity - 1);
            }
            slots_[i] = slot;
        }
    }
}

void TSectionList::Index::Clear() {
    slots_.clear();
    count_ = 0;
}

}  // namespace lintel
