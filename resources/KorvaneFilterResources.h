#ifndef KORVANE_FILTER_RESOURCES_H
#define KORVANE_FILTER_RESOURCES_H

/* Image resources of the editor, type "PNG". Read by the resource compiler and by C++. */

#define BG_ID 101
#define GLOW_ID 102
#define KNOB_CAP_ID 103
#define BIG_KNOB_ID 104
#define TOGGLE_ID 106
#define VU_ID 107
#define KNOB_3WAY_ID 108
#define NUMBERS_ID 130

#define BG_FN "img/bg.png"
#define GLOW_FN "img/glow_r.png"
#define KNOB_CAP_FN "img/knob-cap-stack.png"
#define BIG_KNOB_FN "img/big-knob-stack.png"
#define TOGGLE_FN "img/toggle-big-h.png"
#define VU_FN "img/small-VU.png"
#define KNOB_3WAY_FN "img/knob-3way-stack.png"
#define NUMBERS_FN "img/numbers.png"

#endif
