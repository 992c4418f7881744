#pragma once

#include <cstring>

#include "core/StateChunk.h"

/// An ordered list of owned pointers, stored in a StateChunk.
///
/// Get returns null outside 0..Count()-1. The list deletes its entries when it is destroyed
/// or cleared; Remove hands ownership back. Not thread-safe: the owner's lock guards it.
template <typename T>
class PtrList {
 public:
  PtrList() = default;
  ~PtrList() { DeleteAll(); }
  PtrList(const PtrList&) = delete;
  PtrList& operator=(const PtrList&) = delete;

  int Count() const { return mChunk.Size() / static_cast<int>(sizeof(T*)); }

  T* Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    T* p;
    std::memcpy(&p, mChunk.Data() + index * sizeof(T*), sizeof p);
    return p;
  }

  /// Takes ownership. False (and the caller keeps ownership) when storage ran out.
  bool Add(T* p) { return mChunk.PutBytes(&p, static_cast<int>(sizeof p)); }

  /// Inserts before index (clamped to 0..Count()); takes ownership.
  bool Insert(int index, T* p) {
    const int n = Count();
    if (index < 0) index = 0;
    if (index > n) index = n;
    if (!Add(p)) return false;
    uint8_t* base = mChunk.Data();
    std::memmove(base + (index + 1) * sizeof(T*), base + index * sizeof(T*),
                 (n - index) * sizeof(T*));
    std::memcpy(base + index * sizeof(T*), &p, sizeof p);
    return true;
  }

  /// Deletes every entry, last first, and empties the list without releasing its storage.
  void DeleteAll() {
    for (int i = Count() - 1; i >= 0; --i) delete Get(i);
    mChunk.Resize(0, false);
  }

 private:
  StateChunk mChunk;
};
