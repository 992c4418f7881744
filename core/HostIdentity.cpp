#include "core/HostIdentity.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

struct HostFragment {
  const char* fragment;
  int code;
};

// Tested in this order: the first fragment found decides, so order settles overlaps.
constexpr HostFragment kHostFragments[] = {
    {"cubase", kHostCubase},     {"reaper", kHostReaper},         {"nuendo", kHostNuendo},
    {"cakewalk", kHostCakewalk}, {"samplitude", kHostSamplitude}, {"fruity", kHostFL},
    {"live", kHostLive},         {"melodyne", kHostMelodyne},     {"vstmanlib", kHostVSTManLib},
    {"aulab", kHostAULab},       {"forte", kHostForte},           {"chainer", kHostChainer},
    {"audition", kHostAudition}, {"orion", kHostOrion},
};
static_assert(sizeof(kHostFragments) / sizeof(kHostFragments[0]) == 14, "fourteen known hosts");

}  // namespace

int IdentifyHost(const char* productName) {
  if (!productName) return kHostUnrecognised;
  char lower[256];
  size_t n = 0;
  for (; n < sizeof lower - 1 && productName[n]; ++n) {
    lower[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(productName[n])));
  }
  lower[n] = '\0';
  for (const HostFragment& f : kHostFragments) {
    if (std::strstr(lower, f.fragment)) return f.code;
  }
  return kHostUnrecognised;
}

int32_t PackDecimalVersion(int32_t v) {
  if (v < 0) return 0;
  const int32_t major = v / 10000, minor = (v % 10000) / 100, bugfix = v % 100;
  return static_cast<int32_t>(static_cast<uint32_t>(major) * 65536u + minor * 256 + bugfix);
}

void FormatVersion(int32_t version, char* text) {
  const int major = static_cast<int>(static_cast<uint32_t>(version) >> 16);
  const int minor = (version >> 8) & 0xFF;
  const int bugfix = version & 0xFF;
  if (bugfix != 0) {
    std::snprintf(text, 32, "v%d.%d.%d", major, minor, bugfix);
  } else if (minor != 0) {
    std::snprintf(text, 32, "v%d.%d", major, minor);
  } else {
    std::snprintf(text, 32, "v%d", major);
  }
}

const char* GetTimeStampText() {
  static char text[128];
  const std::time_t now = std::time(nullptr);
  // The shared result of localtime is fine here: this helper already returns a shared buffer.
  const std::tm local = *std::localtime(&now);
  size_t n = std::strftime(text, sizeof text, "%Y%m%d %H:%M ", &local);
  char zone[64] = {};
  std::strftime(zone, sizeof zone, "%Z", &local);
  for (const char* z = zone; *z && n < sizeof text - 1; ++z) {
    if (*z >= 'A' && *z <= 'Z') text[n++] = *z;
  }
  text[n] = '\0';
  return text;
}
