#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/korvane-render/MidiEvent.h"

/// The MIDI a render sends: messages placed in seconds, turned into frames once the sample rate
/// is known, and handed out block by block so that each reaches the plug-in through
/// effProcessEvents before the block that contains it, at its offset inside that block.
///
/// Messages at the same moment keep the order in which they were added.
class MidiSchedule {
 public:
  /// Adds a control change on MIDI channel 1 (controller and value 0..127).
  void AddControlChange(double seconds, int controller, int value);
  /// Parses "CONTROLLER=VALUE@SECONDS" and adds it. Throws RenderError.
  void AddControlChange(const std::string& text);
  /// Adds the control changes of a standard MIDI file, on the channels they carry; every other
  /// message of the file is left out. Throws RenderError.
  void AddControlChangesFromFile(const std::string& path);

  /// Converts every message to its frame at this rate and sorts them. Call before Take.
  void Prepare(double sampleRate);
  /// The messages not yet handed out that fall before frame `end`, in order; valid until the
  /// next call. Asked block by block from frame 0 on, these are exactly the block's messages.
  const MidiEvent* Take(int64_t end, size_t& count);

  size_t Size() const { return mTimed.size(); }
  /// Messages handed out so far (those past the end of a render are never sent).
  size_t Sent() const { return mNext; }

 private:
  struct Timed {
    double seconds;
    unsigned char status, data1, data2;
  };
  std::vector<Timed> mTimed;
  std::vector<MidiEvent> mEvents;
  size_t mNext = 0;
};
