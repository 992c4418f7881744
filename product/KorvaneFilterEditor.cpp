// The editor of KorvaneFilter: its graphics object and controls.
#include "product/KorvaneFilter.h"

void KorvaneFilter::BuildEditor() {}
