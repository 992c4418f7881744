#include "tools/korvane-render/MidiSchedule.h"

#include <smf.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "tools/korvane-render/RenderError.h"

namespace {

// libsmf reports through GLib's log; its messages become part of our one error line instead of
// lines of their own on standard error.
std::string gSmfMessage;

void CaptureSmfMessage(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
  gSmfMessage = message ? message : "";
}

bool ParseInt(const std::string& text, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && end == text.c_str() + text.size();
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text.c_str(), &end);
  return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out);
}

}  // namespace

void MidiSchedule::AddControlChange(double seconds, int controller, int value) {
  mTimed.push_back(
      {seconds, 0xB0, static_cast<unsigned char>(controller), static_cast<unsigned char>(value)});
}

void MidiSchedule::AddControlChange(const std::string& text) {
  const std::string usage = "--cc " + text + ": expected CONTROLLER=VALUE@SECONDS, e.g. 74=64@0.5";
  const size_t eq = text.find('=');
  const size_t at = text.find('@');
  if (eq == std::string::npos || at == std::string::npos || at < eq) throw RenderError(usage);
  long controller = 0, value = 0;
  double seconds = 0.0;
  if (!ParseInt(text.substr(0, eq), controller) ||
      !ParseInt(text.substr(eq + 1, at - eq - 1), value) ||
      !ParseDouble(text.substr(at + 1), seconds)) {
    throw RenderError(usage);
  }
  if (controller < 0 || controller > 127) {
    throw RenderError("--cc " + text + ": the controller must be 0..127");
  }
  if (value < 0 || value > 127) throw RenderError("--cc " + text + ": the value must be 0..127");
  if (seconds < 0.0) throw RenderError("--cc " + text + ": the time must not be negative");
  AddControlChange(seconds, static_cast<int>(controller), static_cast<int>(value));
}

void MidiSchedule::AddControlChangesFromFile(const std::string& path) {
  gSmfMessage.clear();
  const guint handler =
      g_log_set_handler("libsmf", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL),
                        CaptureSmfMessage, nullptr);
  std::unique_ptr<smf_t, void (*)(smf_t*)> smf(smf_load(path.c_str()), smf_delete);
  g_log_remove_handler("libsmf", handler);
  if (!smf) {
    throw RenderError("cannot read MIDI file " + path +
                      (gSmfMessage.empty() ? std::string() : ": " + gSmfMessage));
  }
  while (smf_event_t* event = smf_get_next_event(smf.get())) {
    if (smf_event_is_metadata(event) || event->midi_buffer_length < 3) continue;
    const unsigned char status = event->midi_buffer[0];
    if ((status & 0xF0) != 0xB0) continue;
    mTimed.push_back(
        {std::max(0.0, event->time_seconds), status, event->midi_buffer[1], event->midi_buffer[2]});
  }
}

void MidiSchedule::Prepare(double sampleRate) {
  mEvents.clear();
  mEvents.reserve(mTimed.size());
  // Far beyond any render, and within what a frame count can hold.
  const double lastFrame = 1e15;
  for (const Timed& t : mTimed) {
    const double frame = std::min(std::round(t.seconds * sampleRate), lastFrame);
    mEvents.push_back({static_cast<int64_t>(frame), t.status, t.data1, t.data2});
  }
  std::stable_sort(mEvents.begin(), mEvents.end(),
                   [](const MidiEvent& a, const MidiEvent& b) { return a.frame < b.frame; });
  mNext = 0;
}

const MidiEvent* MidiSchedule::Take(int64_t end, size_t& count) {
  const size_t first = mNext;
  while (mNext < mEvents.size() && mEvents[mNext].frame < end) ++mNext;
  count = mNext - first;
  return mEvents.data() + first;
}
