#pragma once
// The collection behaviour shared by the engine registries (cOpenFiles, cLogicalFiles, cLinks)
// and the line collection clnLines: an ordered list of entries in insertion
// order, each with an optional text key; keys compare without regard to (ASCII) letter case
// and are unique within one collection; positions are 1-based.
//
// Errors (VbError, Visual Basic's own collection errors, with the collection's name as source):
//   457  Add under a key that is already present (the collection is unchanged)
//   5    Item/Remove with a key that is not present
//   9    Item/Remove with a position out of range
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vb_error.h"

namespace ztl::storedata {

// The folded form in which collection keys compare.
inline std::string foldKey(std::string_view key) {
    std::string k(key);
    for (char& c : k)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return k;
}

template <class T>
class Collection {
  public:
    explicit Collection(std::string source) : source_(std::move(source)) {}
    virtual ~Collection() = default;
    Collection(const Collection&) = delete;
    Collection& operator=(const Collection&) = delete;

    // Appends the entry under sKey (without a key when sKey is empty).
    std::shared_ptr<T> AddItem(std::shared_ptr<T> entry, std::string_view sKey = {}) {
        std::string folded = foldKey(sKey);
        if (!sKey.empty() && indexOf(folded) >= 0)
            throw VbError(vb::kDuplicateKey, source_, vbDescription(vb::kDuplicateKey));
        items_.push_back({sKey.empty() ? std::string() : std::move(folded), entry});
        return entry;
    }

    std::shared_ptr<T> Item(int32_t index) const { return items_[checkedIndex(index)].entry; }
    std::shared_ptr<T> Item(std::string_view key) const { return items_[checkedKey(key)].entry; }
    // The entry under the key, or null: the "failed lookup counts as absent" of the callers.
    std::shared_ptr<T> Find(std::string_view key) const noexcept {
        if (key.empty()) return nullptr;
        long i = indexOf(foldKey(key));
        return i < 0 ? nullptr : items_[static_cast<size_t>(i)].entry;
    }

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }

    void Remove(int32_t index) { items_.erase(items_.begin() + static_cast<long>(checkedIndex(index))); }
    void Remove(std::string_view key) { items_.erase(items_.begin() + static_cast<long>(checkedKey(key))); }

    // NewEnum: the entries in insertion order.
    std::vector<std::shared_ptr<T>> NewEnum() const {
        std::vector<std::shared_ptr<T>> v;
        v.reserve(items_.size());
        for (const auto& i : items_) v.push_back(i.entry);
        return v;
    }

  protected:
    struct Slot {
        std::string key;  // folded; empty = no key
        std::shared_ptr<T> entry;
    };
    std::vector<Slot> items_;

  private:
    long indexOf(const std::string& folded) const {
        if (folded.empty()) return -1;
        auto it = std::find_if(items_.begin(), items_.end(), [&](const Slot& s) { return s.key == folded; });
        return it == items_.end() ? -1 : static_cast<long>(it - items_.begin());
    }
    size_t checkedIndex(int32_t index) const {
        if (index < 1 || index > Count())
            throw VbError(vb::kSubscriptOutOfRange, source_, vbDescription(vb::kSubscriptOutOfRange));
        return static_cast<size_t>(index - 1);
    }
    size_t checkedKey(std::string_view key) const {
        long i = indexOf(foldKey(key));
        if (i < 0)
            throw VbError(vb::kInvalidProcedureCall, source_, vbDescription(vb::kInvalidProcedureCall));
        return static_cast<size_t>(i);
    }

    std::string source_;
};

}  // namespace ztl::storedata
