#pragma once

/// One pair of channel counts the plug-in accepts.
struct ChannelConfig {
  int nIn = 0;
  int nOut = 0;
};
