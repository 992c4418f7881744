/* The ABI header must stay plain C: this file only has to compile. */
#include "vst/VstAbi.h"

int korvaneAbiIsC(void) {
  return (int)sizeof(struct AEffect);
}
