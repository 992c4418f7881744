#include "host/VstEventList.h"

#include <algorithm>
#include <cstring>

void VstEventList::Assign(const VstMidiEvent* events, size_t count) {
  mEvents.assign(events, events + count);
  const size_t headerSize = offsetof(VstEvents, events);
  const size_t bytes = std::max(sizeof(VstEvents), headerSize + count * sizeof(VstEvent*));
  mStorage.assign((bytes + sizeof(VstEvent*) - 1) / sizeof(VstEvent*), nullptr);
  VstEvents* list = Events();
  list->numEvents = static_cast<VstInt32>(count);
  list->reserved = 0;
  VstEvent** entries = list->events;
  for (size_t i = 0; i < count; ++i) entries[i] = reinterpret_cast<VstEvent*>(&mEvents[i]);
}
