#include "raster/Primitives.h"
