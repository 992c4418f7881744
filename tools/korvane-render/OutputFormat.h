#pragma once

#include <string>

/// The libsndfile format word of an output file (container | sample format).
///
/// The container is the one --format names, else the one the output's extension names, else
/// the input's. The sample format is the one --format names, else the input's; a decoded lossy
/// input written to a lossless container becomes 24-bit PCM, and a lossy container gets its
/// own codec. Any other combination the container cannot hold is refused, naming the choices.
class OutputFormat {
 public:
  /// `text` is the --format text: a container and/or a sample format separated by a comma,
  /// e.g. "flac", "float", "wav,pcm24"; empty keeps the defaults. Throws RenderError.
  static int Choose(const std::string& outputPath, int inputFormat, const std::string& text,
                    int channels, int sampleRate);
  /// "WAV, 16-bit PCM" and the like.
  static std::string Describe(int format);
  /// The names --format accepts, for help and error texts.
  static std::string Choices();
};
