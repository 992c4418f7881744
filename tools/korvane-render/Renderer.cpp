#include "tools/korvane-render/Renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <type_traits>
#include <vector>

#include "tools/korvane-render/AudioSource.h"
#include "tools/korvane-render/MidiSchedule.h"
#include "tools/korvane-render/ProgressBar.h"
#include "tools/korvane-render/RenderError.h"
#include "tools/korvane-render/VstHost.h"

namespace {

// Planar buffers for the plug-in, one per declared channel, and the pointer arrays it takes.
template <typename Sample>
struct Planar {
  Planar(int channels, int frames)
      : storage(static_cast<size_t>(channels), std::vector<Sample>(static_cast<size_t>(frames))) {
    for (auto& channel : storage) pointers.push_back(channel.data());
  }
  std::vector<std::vector<Sample>> storage;
  std::vector<Sample*> pointers;
};

template <typename Sample>
void RunBlocks(VstHost& host, MidiSchedule& midi, int blockSize, AudioSource& source,
               AudioSink& sink, int64_t tailFrames, ProgressBar* progress,
               const volatile std::sig_atomic_t* cancel, RenderResult& result) {
  const int channels = source.Channels();
  const int planes = std::max({channels, host.NumInputs(), host.NumOutputs()});
  Planar<Sample> in(planes, blockSize), out(planes, blockSize);
  std::vector<double> interleavedIn(static_cast<size_t>(blockSize) * channels);
  std::vector<double> interleavedOut(interleavedIn.size());
  const int64_t total = source.Frames() + tailFrames;
  int64_t position = 0;
  int64_t tailLeft = tailFrames;
  bool sourceDone = false;
  using Clock = std::chrono::steady_clock;
  Clock::duration busy{};

  for (;;) {
    if (cancel && *cancel) throw RenderError("interrupted");
    int64_t n = 0;
    if (!sourceDone) {
      n = source.Read(interleavedIn.data(), blockSize);
      sourceDone = n < blockSize;
    }
    // The tail follows the file's last frames within the same block.
    const int64_t silence = std::min<int64_t>(blockSize - n, tailLeft);
    std::fill(interleavedIn.begin() + n * channels,
              interleavedIn.begin() + (n + silence) * channels, 0.0);
    n += silence;
    tailLeft -= silence;
    if (n == 0) break;
    const int frames = static_cast<int>(n);

    for (int c = 0; c < planes; ++c) {
      Sample* plane = in.pointers[static_cast<size_t>(c)];
      if (c < channels) {
        for (int i = 0; i < frames; ++i) {
          plane[i] = static_cast<Sample>(interleavedIn[static_cast<size_t>(i) * channels + c]);
        }
      } else {
        std::fill(plane, plane + frames, Sample(0));
      }
    }

    const Clock::time_point start = Clock::now();
    size_t count = 0;
    const MidiEvent* events = midi.Take(position + n, count);
    host.SetPosition(position);
    host.SendMidi(events, count, position);
    if constexpr (std::is_same_v<Sample, double>) {
      host.ProcessDouble(in.pointers.data(), out.pointers.data(), frames);
    } else {
      host.Process(in.pointers.data(), out.pointers.data(), frames);
    }
    busy += Clock::now() - start;

    for (int c = 0; c < channels; ++c) {
      const Sample* plane = out.pointers[static_cast<size_t>(c)];
      for (int i = 0; i < frames; ++i) {
        double sample = static_cast<double>(plane[i]);
        if (!std::isfinite(sample)) {
          if (result.nonFinite++ == 0 || position + i < result.firstNonFiniteFrame) {
            result.firstNonFiniteFrame = position + i;
            result.firstNonFiniteChannel = c;
          }
          sample = 0.0;
        }
        interleavedOut[static_cast<size_t>(i) * channels + c] = sample;
      }
    }
    result.input.Add(interleavedIn.data(), n * channels);
    result.output.Add(interleavedOut.data(), n * channels);
    sink.Write(interleavedOut.data(), n);
    position += n;
    if (progress) progress->Update(position, total);
  }
  result.frames = position;
  result.seconds = static_cast<double>(position) / source.SampleRate();
  result.processingSeconds = std::chrono::duration<double>(busy).count();
}

}  // namespace

Renderer::Renderer(VstHost& host, MidiSchedule& midi, int blockSize, bool useDouble)
    : mHost(host), mMidi(midi), mBlockSize(blockSize), mUseDouble(useDouble) {}

RenderResult Renderer::Run(AudioSource& source, AudioSink& sink, int64_t tailFrames,
                           ProgressBar* progress, const volatile std::sig_atomic_t* cancel) {
  RenderResult result;
  mMidi.Prepare(source.SampleRate());
  if (mUseDouble) {
    RunBlocks<double>(mHost, mMidi, mBlockSize, source, sink, tailFrames, progress, cancel, result);
  } else {
    RunBlocks<float>(mHost, mMidi, mBlockSize, source, sink, tailFrames, progress, cancel, result);
  }
  if (progress) progress->Finish();
  return result;
}
