#pragma once

#include <cstddef>
#include <cstdint>

/// A growable byte buffer with bounds-checked reads.
///
/// Holds serialised state, the storage of PtrList, the parameters' display-text entries and
/// the audio scratch buffers. Storage grows in steps of the granularity (4096 bytes) and is
/// released only when it would waste more than four granules. Multi-byte values are written
/// and read little-endian on every platform.
///
/// Reads take a position and return the position after what they read, or -1 when the bytes
/// lie beyond the size. A negative position is sticky: every read given one returns -1.
///
/// Allocation failure leaves storage and size as they were and is reported by the operation
/// (Resize returns null, the append and write helpers return false).
class StateChunk {
 public:
  static constexpr int kGranularity = 4096;

  StateChunk() = default;
  ~StateChunk();
  StateChunk(const StateChunk&) = delete;
  StateChunk& operator=(const StateChunk&) = delete;

  /// Sets the size to newSize (0..INT32_MAX - granularity) and returns the storage, or null when
  /// the size is now 0 or the storage could not be obtained (then nothing changed).
  uint8_t* Resize(int newSize, bool allowShrink = true);
  /// As Resize, and zero-fills the bytes beyond the old size. False on failure.
  bool ResizeZeroed(int newSize);
  void Clear() { Resize(0, true); }

  uint8_t* Data() { return mData; }
  const uint8_t* Data() const { return mData; }
  int Size() const { return mSize; }
  int Allocated() const { return mAllocated; }

  // ---- writing (appends at the end) ----
  bool PutBytes(const void* bytes, int n);
  bool PutInt32(int32_t v);
  bool PutDouble(double v);
  bool PutByte(uint8_t v) { return PutBytes(&v, 1); }

  // ---- reading ----
  /// Copies n bytes at pos into out; returns pos + n, or -1 (nothing copied) when they do
  /// not all lie within the size or pos is negative.
  int GetBytes(void* out, int n, int pos) const;
  int GetInt32(int32_t* out, int pos) const;
  int GetDouble(double* out, int pos) const;

 private:
  uint8_t* mData = nullptr;
  int mAllocated = 0;  // bytes of storage
  int mSize = 0;       // bytes in use
};
