#include "tools/korvane-render/OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tools/korvane-render/RenderError.h"

namespace {

struct Name {
  const char* name;
  int format;
  const char* description;
};

// Containers by --format name and file extension.
constexpr Name kContainers[] = {
    {"wav", SF_FORMAT_WAV, "WAV"},    {"wave", SF_FORMAT_WAV, "WAV"},
    {"flac", SF_FORMAT_FLAC, "FLAC"}, {"aiff", SF_FORMAT_AIFF, "AIFF"},
    {"aif", SF_FORMAT_AIFF, "AIFF"},  {"ogg", SF_FORMAT_OGG, "Ogg"},
    {"oga", SF_FORMAT_OGG, "Ogg"},    {"opus", SF_FORMAT_OGG, "Ogg"},
    {"caf", SF_FORMAT_CAF, "CAF"},    {"w64", SF_FORMAT_W64, "Wave64"},
    {"rf64", SF_FORMAT_RF64, "RF64"}, {"au", SF_FORMAT_AU, "AU"},
};

constexpr Name kSampleFormats[] = {
    {"pcm8", SF_FORMAT_PCM_S8, "8-bit PCM"},    {"pcm16", SF_FORMAT_PCM_16, "16-bit PCM"},
    {"pcm24", SF_FORMAT_PCM_24, "24-bit PCM"},  {"pcm32", SF_FORMAT_PCM_32, "32-bit PCM"},
    {"float", SF_FORMAT_FLOAT, "32-bit float"}, {"double", SF_FORMAT_DOUBLE, "64-bit float"},
    {"vorbis", SF_FORMAT_VORBIS, "Vorbis"},     {"opus", SF_FORMAT_OPUS, "Opus"},
    {"ulaw", SF_FORMAT_ULAW, "u-law"},          {"alaw", SF_FORMAT_ALAW, "A-law"},
};

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

int Find(const Name* table, size_t size, const std::string& name) {
  for (size_t i = 0; i < size; ++i) {
    if (name == table[i].name) return table[i].format;
  }
  return 0;
}

const char* DescribeIn(const Name* table, size_t size, int format, const char* fallback) {
  for (size_t i = 0; i < size; ++i) {
    if (table[i].format == format) return table[i].description;
  }
  return fallback;
}

bool IsLossy(int subtype) {
  return subtype == SF_FORMAT_VORBIS || subtype == SF_FORMAT_OPUS ||
         (subtype >= SF_FORMAT_MPEG_LAYER_I && subtype <= SF_FORMAT_MPEG_LAYER_III);
}

bool Valid(int format, int channels, int sampleRate) {
  SF_INFO info{};
  info.format = format;
  info.channels = channels;
  info.samplerate = sampleRate;
  return sf_format_check(&info) != 0;
}

}  // namespace

int OutputFormat::Choose(const std::string& outputPath, int inputFormat, const std::string& text,
                         int channels, int sampleRate) {
  int container = 0, subtype = 0;
  std::string rest = Lower(text);
  while (!rest.empty()) {
    const size_t comma = rest.find_first_of(",:");
    const std::string token = rest.substr(0, comma);
    rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
    if (token.empty()) continue;
    // "opus" names both the container (by extension) and the codec: as a token, the codec.
    if (const int s = Find(kSampleFormats, std::size(kSampleFormats), token)) {
      subtype = s;
    } else if (const int c = Find(kContainers, std::size(kContainers), token)) {
      container = c;
    } else {
      throw RenderError("--format " + text + ": unknown name \"" + token + "\"; choose from " +
                        Choices());
    }
  }
  std::string extension = Lower(std::filesystem::path(outputPath).extension().string());
  if (!extension.empty()) extension.erase(0, 1);
  if (!container) container = Find(kContainers, std::size(kContainers), extension);
  if (!container) container = inputFormat & SF_FORMAT_TYPEMASK;
  if (extension == "opus" && !subtype) subtype = SF_FORMAT_OPUS;

  const int inputSubtype = inputFormat & SF_FORMAT_SUBMASK;
  if (!subtype) {
    if (Valid(container | inputSubtype, channels, sampleRate)) {
      subtype = inputSubtype;
    } else if (container == SF_FORMAT_OGG) {
      subtype = SF_FORMAT_VORBIS;
    } else if (IsLossy(inputSubtype)) {
      subtype = SF_FORMAT_PCM_24;
    } else {
      throw RenderError(
          std::string(
              DescribeIn(kContainers, std::size(kContainers), container, "the output's format")) +
          " cannot hold " +
          DescribeIn(kSampleFormats, std::size(kSampleFormats), inputSubtype, "the input's") +
          " samples; choose a sample format with --format (for example pcm24)");
    }
  }
  if (container == SF_FORMAT_WAV && subtype == SF_FORMAT_PCM_S8) subtype = SF_FORMAT_PCM_U8;
  const int format = container | subtype;
  if (!Valid(format, channels, sampleRate)) {
    throw RenderError("cannot write " + Describe(format) + " with " + std::to_string(channels) +
                      " channels at " + std::to_string(sampleRate) + " Hz");
  }
  return format;
}

std::string OutputFormat::Describe(int format) {
  const int subtype = format & SF_FORMAT_SUBMASK;
  std::string text =
      DescribeIn(kContainers, std::size(kContainers), format & SF_FORMAT_TYPEMASK, "audio file");
  text += ", ";
  text += subtype == SF_FORMAT_PCM_U8
              ? "8-bit PCM"
              : DescribeIn(kSampleFormats, std::size(kSampleFormats), subtype, "encoded");
  return text;
}

std::string OutputFormat::Choices() {
  std::string text;
  for (const Name& n : kContainers) text += std::string(text.empty() ? "" : ", ") + n.name;
  for (const Name& n : kSampleFormats) {
    if (Find(kContainers, std::size(kContainers), n.name)) continue;  // "opus" once
    text += std::string(", ") + n.name;
  }
  return text;
}
