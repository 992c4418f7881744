#pragma once

#include <cstdint>

/// Host codes: which host the plug-in runs in, from the host's product name.
/// Codes 2, 6, 10 and 11 are never produced.
enum HostCode {
  kHostNotQueried = -1,
  kHostUnrecognised = 0,
  kHostReaper = 1,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostCakewalk = 5,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostLive = 9,
  kHostMelodyne = 12,
  kHostVSTManLib = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
};

/// The host code for a product name: the first of a fixed list of lower-case fragments found
/// anywhere in the lower-cased name decides; no match gives kHostUnrecognised.
int IdentifyHost(const char* productName);

/// Packs a decimal version (major * 10000 + minor * 100 + bugfix) as 0xMMMMmmbb.
int32_t PackDecimalVersion(int32_t decimal);

/// "v1", "v1.2" or "v1.2.3" for a packed version; text needs 32 bytes.
void FormatVersion(int32_t version, char* text);

/// The local time as "YYYYmmdd HH:MM " followed by the upper-case letters of the time-zone
/// name. Returns one static buffer that each call overwrites [constructor only].
const char* GetTimeStampText();
