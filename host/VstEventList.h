#pragma once

#include <cstddef>
#include <vector>

#include "vst/VstAbi.h"

/// A VstEvents record as hosts hand it over: the record declares two entries, but its list is
/// really numEvents pointers long, so it is laid out by hand in storage of the right size.
/// Owns copies of the events it lists; reused from block to block without shrinking.
class VstEventList {
 public:
  /// [host thread] Lists copies of these MIDI events.
  void Assign(const VstMidiEvent* events, size_t count);
  /// The record, valid until the next Assign.
  VstEvents* Events() { return reinterpret_cast<VstEvents*>(mStorage.data()); }
  size_t Count() const { return mEvents.size(); }

  /// [any thread] Calls visit(event) for each entry of a record a plug-in handed over (null
  /// entries included), reading the list past its declared two entries.
  template <typename Visit>
  static void ForEach(const VstEvents* list, Visit visit) {
    if (!list) return;
    const VstEvent* const* entries = list->events;
    for (VstInt32 i = 0; i < list->numEvents; ++i) visit(entries[i]);
  }

 private:
  std::vector<VstMidiEvent> mEvents;
  // Pointer-aligned: the record's header, then one pointer per event.
  std::vector<VstEvent*> mStorage;
};
