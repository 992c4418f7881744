#!/usr/bin/python3
"""Draws the editor's eight images into resources/img/.

Deterministic: the same Pillow and DejaVu fonts give the same bytes. Everything is drawn at
SS times the final size and reduced with a Lanczos filter, which gives the anti-aliasing.
Run from anywhere: tools/artwork/generate.py [output folder]. Needs python3-pil and
fonts-dejavu-core (Debian).
"""
import math
import os
import struct
import sys
import zlib

from PIL import Image, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor
ROW_FILTER = 0  # no row filter: decoding is inflating alone
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
W, H = 274, 350  # editor panel

# Control geometry on the panel (left, top, right, bottom), from the editor's layout.
SHAPE_KNOB = (53, 240, 77, 263)
CUTOFF_KNOB = (121, 237, 152, 265)
RES_KNOB = (195, 240, 219, 263)
LEVER = (176, 188, 217, 200)
LAMP = (198, 179, 228, 210)
METER = (108, 133, 169, 158)
LINK = (186, 103, 244, 121)
EMBLEM = (26, 102, 88, 121)
DIGITS_X = 259  # version digits column; minor digit at y 311, bugfix at 319

KNOB_SWEEP = 135.0  # degrees either side of straight up
SHAPE_ANGLES = (-60.0, 0.0, 60.0)  # three-way selector positions

INK = (226, 222, 210)  # printed captions
INK_DIM = (150, 148, 140)
ACCENT = (214, 92, 52)  # the product's orange-red


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size * SS)


def s(v):
    return v * SS


def shrink(img, size):
    return img.resize(size, Image.LANCZOS)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vgradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w, y)], fill=lerp(top, bottom, y / max(1, h - 1)))
    return img


def text_center(d, xy, txt, fnt, fill, anchor="mm"):
    d.text((s(xy[0]), s(xy[1])), txt, font=fnt, fill=fill, anchor=anchor)


def polar(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.sin(a), cy - r * math.cos(a)


# ------------------------------------------------------------------------------------ panel --

def brushed_panel():
    """Dark anodised aluminium with a faint horizontal grain and a bevelled edge."""
    base = vgradient((s(W), s(H)), (74, 76, 80), (44, 45, 49))
    grain = Image.new("L", (s(W), s(H)), 0)
    gd = ImageDraw.Draw(grain)
    seed = 12345
    for y in range(0, s(H), 2):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        gd.line([(0, y), (s(W), y)], fill=(seed >> 16) % 12)
    grain = grain.filter(ImageFilter.GaussianBlur(1))
    light = Image.new("RGB", base.size, (255, 255, 255))
    base = Image.composite(light, base, grain.point(lambda v: v * 2))
    d = ImageDraw.Draw(base)
    # Bevel: light top/left, dark bottom/right.
    for i in range(s(3)):
        t = i / s(3)
        d.line([(i, i), (s(W) - 1 - i, i)], fill=lerp((150, 152, 158), (80, 82, 86), t))
        d.line([(i, i), (i, s(H) - 1 - i)], fill=lerp((130, 132, 138), (76, 78, 82), t))
        d.line([(i, s(H) - 1 - i), (s(W) - 1 - i, s(H) - 1 - i)], fill=lerp((18, 18, 20), (40, 41, 44), t))
        d.line([(s(W) - 1 - i, i), (s(W) - 1 - i, s(H) - 1 - i)], fill=lerp((22, 22, 24), (42, 43, 46), t))
    return base


def screw(d, cx, cy):
    r = s(5)
    cx, cy = s(cx), s(cy)
    d.ellipse([cx - r - s(1), cy - r - s(1), cx + r + s(1), cy + r + s(1)], fill=(24, 24, 26))
    for i in range(r, 0, -1):
        t = 1 - i / r
        d.ellipse([cx - i, cy - i, cx + i, cy + i], fill=lerp((120, 122, 126), (196, 198, 202), t))
    slot = s(1)
    d.line([(cx - r * 0.75, cy - r * 0.35), (cx + r * 0.75, cy + r * 0.35)], fill=(40, 40, 44), width=slot)


def recess(d, box, radius, depth=2):
    """A rounded recess: dark inside, a light lower-right lip."""
    l, t, r, b = (s(v) for v in box)
    d.rounded_rectangle([l, t, r, b], radius=s(radius), fill=(150, 152, 156))
    d.rounded_rectangle([l, t, r - s(1), b - s(1)], radius=s(radius), fill=(14, 14, 16))
    d.rounded_rectangle([l + s(1), t + s(1), r - s(1), b - s(1)], radius=s(radius), fill=(22, 22, 25))


def knob_scale(d, box, sweep, ticks, long_every, radius_extra=4):
    cx = s((box[0] + box[2]) / 2.0)
    cy = s((box[1] + box[3]) / 2.0)
    r0 = s(max(box[2] - box[0], box[3] - box[1]) / 2.0 + radius_extra - 1)
    for i in range(ticks):
        a = -sweep + 2 * sweep * i / (ticks - 1)
        big = i % long_every == 0
        r1 = r0 + s(4 if big else 2.5)
        d.line([polar(cx, cy, r0, a), polar(cx, cy, r1, a)], fill=INK if big else INK_DIM,
               width=s(1) if big else int(s(0.75)))


def knob_well(d, box):
    """A soft dark ring the knob sits in, so it reads as standing on the panel."""
    cx = s((box[0] + box[2]) / 2.0)
    cy = s((box[1] + box[3]) / 2.0)
    r = s(max(box[2] - box[0], box[3] - box[1]) / 2.0 + 1.5)
    d.ellipse([cx - r, cy - r, cx + r, cy + r], outline=(30, 30, 33), width=s(1))


def panel_frame(cc_captions):
    img = brushed_panel()
    d = ImageDraw.Draw(img)
    for x, y in ((10, 10), (W - 10, 10), (10, H - 10), (W - 10, H - 10)):
        screw(d, x, y)

    # Title block.
    text_center(d, (W / 2, 38), "KORVANE", font("DejaVuSans-Bold.ttf", 24), INK)
    text_center(d, (W / 2, 60), "RESONANT  LADDER  FILTER", font("DejaVuSansCondensed.ttf", 9), INK_DIM)
    d.line([(s(30), s(74)), (s(W - 30), s(74))], fill=ACCENT, width=s(1))
    d.line([(s(30), s(75)), (s(W - 30), s(75))], fill=(20, 20, 22), width=int(s(0.5)))

    # Emblem plate: a click swaps the captions.
    l, t, r, b = EMBLEM
    d.rounded_rectangle([s(l), s(t), s(r), s(b)], radius=s(4), fill=(26, 26, 29), outline=(120, 122, 128), width=s(1))
    d.rounded_rectangle([s(l + 2), s(t + 2), s(r - 2), s(b - 2)], radius=s(3), fill=ACCENT)
    text_center(d, ((l + r) / 2, (t + b) / 2 + 0.5), "QUORL", font("DejaVuSans-Bold.ttf", 10), (250, 244, 232))

    # Manual link.
    l, t, r, b = LINK
    d.rounded_rectangle([s(l), s(t), s(r), s(b)], radius=s(4), outline=INK_DIM, width=s(1))
    text_center(d, ((l + r) / 2 + 5, (t + b) / 2 + 0.5), "MANUAL", font("DejaVuSansCondensed-Bold.ttf", 9), INK)
    # a small "open" arrow
    ax, ay = l + 8, (t + b) / 2
    d.polygon([(s(ax - 3), s(ay - 3)), (s(ax + 3), s(ay)), (s(ax - 3), s(ay + 3))], fill=ACCENT)

    # Meter window.
    l, t, r, b = METER
    recess(d, (l - 4, t - 4, r + 3, b + 3), 3)
    text_center(d, ((l + r) / 2, b + 10), "OUTPUT", font("DejaVuSansCondensed-Bold.ttf", 8), INK)

    # Brickwall limit: lever slot and caption; the lamp sits in the lever's right end.
    l, t, r, b = LEVER
    recess(d, (l - 2, t - 2, r + 1, b + 1), 3)
    text_center(d, ((l + r) / 2 - 2, t - 12), "BRICKWALL", font("DejaVuSansCondensed-Bold.ttf", 8), INK)
    text_center(d, ((l + r) / 2 - 2, b + 9), "LIMIT", font("DejaVuSansCondensed-Bold.ttf", 8), INK)
    text_center(d, (l - 9, (t + b) / 2), "OFF", font("DejaVuSansCondensed.ttf", 6), INK_DIM)

    # Knobs: wells, scales, captions.
    cap = font("DejaVuSansCondensed-Bold.ttf", 8)
    small = font("DejaVuSansCondensed.ttf", 6)
    for box in (SHAPE_KNOB, CUTOFF_KNOB, RES_KNOB):
        knob_well(d, box)
    knob_scale(d, CUTOFF_KNOB, KNOB_SWEEP, 11, 5, radius_extra=3)
    knob_scale(d, RES_KNOB, KNOB_SWEEP, 11, 5)
    # Shape selector: three positions with their names.
    cx, cy = (SHAPE_KNOB[0] + SHAPE_KNOB[2]) / 2.0, (SHAPE_KNOB[1] + SHAPE_KNOB[3]) / 2.0
    for a, name in zip(SHAPE_ANGLES, ("LP", "BP", "BPN")):
        p0 = polar(s(cx), s(cy), s(14), a)
        p1 = polar(s(cx), s(cy), s(17), a)
        d.line([p0, p1], fill=INK, width=s(1))
        tx, ty = polar(cx, cy, 23, a)
        text_center(d, (tx, ty), name, small, INK)

    knob_y = 283
    text_center(d, ((SHAPE_KNOB[0] + SHAPE_KNOB[2]) / 2, knob_y), "SHAPE", cap, INK)
    text_center(d, ((CUTOFF_KNOB[0] + CUTOFF_KNOB[2]) / 2, knob_y), "CUTOFF", cap, INK)
    text_center(d, ((RES_KNOB[0] + RES_KNOB[2]) / 2, knob_y), "RESONANCE", cap, INK)
    # Range marks of the two continuous knobs.
    for box, lo, hi in ((CUTOFF_KNOB, "10", "18k"), (RES_KNOB, "0", "1")):
        cx, cy = (box[0] + box[2]) / 2.0, (box[1] + box[3]) / 2.0
        rr = max(box[2] - box[0], box[3] - box[1]) / 2.0 + 9
        x0, y0 = polar(cx, cy, rr, -KNOB_SWEEP)
        x1, y1 = polar(cx, cy, rr, KNOB_SWEEP)
        text_center(d, (x0 - 2, y0 + 3), lo, small, INK_DIM)
        text_center(d, (x1 + 2, y1 + 3), hi, small, INK_DIM)

    if cc_captions:
        cc = font("DejaVuSansCondensed-Bold.ttf", 7)
        for box, num in ((SHAPE_KNOB, "111"), (CUTOFF_KNOB, "74"), (RES_KNOB, "71")):
            text_center(d, ((box[0] + box[2]) / 2, knob_y + 11), "CC " + num, cc, ACCENT)
        text_center(d, (W / 2, 92), "MIDI  CONTROLLERS", font("DejaVuSansCondensed.ttf", 7), ACCENT)

    # Version column at the right edge, reading down: "V", then the major digit printed here;
    # the minor and bugfix digits are drawn over the panel by the editor below it.
    col = Image.new("RGBA", (s(40), s(9)), (0, 0, 0, 0))
    cd = ImageDraw.Draw(col)
    cd.text((0, s(4.5)), "VERSION", font=font("DejaVuSansCondensed.ttf", 6), fill=INK_DIM + (255,), anchor="lm")
    col = col.rotate(-90, expand=True)
    img.paste(col, (s(DIGITS_X), s(263)), col)
    major = digit_tile(1, SS)
    img.paste(major, (s(DIGITS_X), s(303)), major)

    return shrink(img, (W, H))


# ------------------------------------------------------------------------------------ digits --

def digit_tile(d, scale):
    """One digit turned by 90 degrees (reading down), 9 x 6 pixels at scale 1."""
    tile = Image.new("RGBA", (6 * scale, 9 * scale), (0, 0, 0, 0))
    td = ImageDraw.Draw(tile)
    td.text((3 * scale, 4.6 * scale), str(d), font=ImageFont.truetype(
        os.path.join(FONT_DIR, "DejaVuSansCondensed-Bold.ttf"), int(7.4 * scale)),
        fill=INK + (255,), anchor="mm")
    return tile.rotate(-90, expand=True)


def numbers():
    strip = Image.new("RGBA", (9, 60), (0, 0, 0, 0))
    for k in range(10):
        tile = shrink(digit_tile(k, SS), (9, 6))
        strip.paste(tile, (0, 6 * k))
    return strip


# ------------------------------------------------------------------------------------- knobs --

def knob_frames(size, frames, angles, body_r, cap_style):
    """A film strip of a knob: fixed shading (light from the upper left), rotating pointer."""
    w, h = size
    strip = Image.new("RGBA", (w, h * frames), (0, 0, 0, 0))
    cx, cy = s(w / 2.0), s(h / 2.0)
    R = s(body_r)
    # Static body.
    body = Image.new("RGBA", (s(w), s(h)), (0, 0, 0, 0))
    shadow = Image.new("L", (s(w), s(h)), 0)
    ImageDraw.Draw(shadow).ellipse([cx - R + s(0.5), cy - R + s(1.2), cx + R + s(0.5), cy + R + s(1.2)], fill=150)
    shadow = shadow.filter(ImageFilter.GaussianBlur(s(0.8)))
    body.paste((0, 0, 0, 255), (0, 0), shadow)
    bd = ImageDraw.Draw(body)
    # Skirt with knurling.
    bd.ellipse([cx - R, cy - R, cx + R, cy + R], fill=(18, 18, 20, 255))
    teeth = 36 if body_r > 12 else 28
    for i in range(teeth):
        a = 360.0 * i / teeth
        p0 = polar(cx, cy, R - s(0.4), a)
        p1 = polar(cx, cy, R - s(2.0), a)
        bd.line([p0, p1], fill=(58, 58, 62, 255), width=s(1))
    # Cap: a shaded dome.
    rc = R - s(2.2)
    steps = 40
    for i in range(steps):
        t = i / (steps - 1)
        r = rc * (1 - 0.75 * t)
        ox, oy = -s(1.2) * t, -s(1.5) * t
        if cap_style == "silver":
            col = lerp((96, 98, 104), (232, 234, 238), t ** 1.3)
        else:
            col = lerp((26, 26, 29), (92, 94, 100), t ** 1.5)
        bd.ellipse([cx + ox - r, cy + oy - r, cx + ox + r, cy + oy + r], fill=col + (255,))
    bd.ellipse([cx - rc, cy - rc, cx + rc, cy + rc], outline=(10, 10, 12, 255), width=s(0.5) if isinstance(s(0.5), int) else 2)
    for k, a in enumerate(angles):
        frame = body.copy()
        fd = ImageDraw.Draw(frame)
        p0 = polar(cx, cy, rc * 0.25, a)
        p1 = polar(cx, cy, R - s(0.6), a)
        pointer = (250, 250, 250, 255) if cap_style != "silver" else (30, 30, 34, 255)
        fd.line([p0, p1], fill=pointer, width=s(1.4) if isinstance(s(1.4), int) else int(s(1.4)))
        fd.line([p1, polar(cx, cy, R + s(0.2), a)], fill=ACCENT + (255,), width=int(s(1.4)))
        strip.paste(shrink(frame, (w, h)), (0, h * k))
    return strip


def big_knob():
    n = 136
    return knob_frames((31, 28), n, [-KNOB_SWEEP + 2 * KNOB_SWEEP * i / (n - 1) for i in range(n)],
                       13.2, "dark")


def small_knob():
    n = 136
    return knob_frames((24, 23), n, [-KNOB_SWEEP + 2 * KNOB_SWEEP * i / (n - 1) for i in range(n)],
                       10.6, "dark")


def shape_knob():
    return knob_frames((24, 23), 3, list(SHAPE_ANGLES), 10.6, "silver")


# ------------------------------------------------------------------------------------- lever --

def lever():
    """41 x 12 per frame: a slot with a chrome handle, off left and on right, and the lamp's
    lens at the right end (x 37, centre of the frame), which the glow lights from above."""
    w, h = 41, 12
    strip = Image.new("RGBA", (w, 2 * h), (0, 0, 0, 0))
    for k in range(2):
        img = Image.new("RGBA", (s(w), s(h)), (0, 0, 0, 0))
        d = ImageDraw.Draw(img)
        d.rounded_rectangle([s(1), s(3.5), s(30), s(8.5)], radius=s(2.5), fill=(8, 8, 10, 255),
                            outline=(90, 92, 96, 255), width=s(0.5) if False else 2)
        hx = 8 if k == 0 else 23
        # shadow, then handle
        d.rounded_rectangle([s(hx - 5) + s(1), s(1) + s(1), s(hx + 5) + s(1), s(11) + s(0.5)],
                            radius=s(3), fill=(0, 0, 0, 140))
        for i in range(12):
            t = i / 11
            inset = s(0.35) * i
            col = lerp((120, 122, 128), (240, 241, 244), t)
            d.rounded_rectangle([s(hx - 5) + inset, s(0.5) + inset, s(hx + 5) - inset, s(10.5) - inset * 1.4],
                                radius=max(1, s(3) - inset), fill=col + (255,))
        d.line([(s(hx - 2), s(3)), (s(hx - 2), s(8.5))], fill=(150, 152, 158, 255), width=2)
        d.line([(s(hx + 2), s(3)), (s(hx + 2), s(8.5))], fill=(150, 152, 158, 255), width=2)
        # lamp lens
        lx, ly, lr = s(37), s(6), s(3.4)
        d.ellipse([lx - lr - s(0.8), ly - lr - s(0.8), lx + lr + s(0.8), ly + lr + s(0.8)], fill=(110, 112, 116, 255))
        for i in range(10):
            t = i / 9
            r = lr * (1 - 0.7 * t)
            d.ellipse([lx - r - s(0.6) * t, ly - r - s(0.8) * t, lx + r - s(0.6) * t, ly + r - s(0.8) * t],
                      fill=lerp((60, 10, 8), (150, 70, 60), t ** 2) + (255,))
        strip.paste(shrink(img, (w, h)), (0, h * k))
    return strip


# -------------------------------------------------------------------------------------- glow --

def glow():
    """30 x 31, opaque: a red glow on black, added onto the panel by the lamp."""
    w, h = 30, 31
    img = Image.new("RGB", (s(w), s(h)), (0, 0, 0))
    d = ImageDraw.Draw(img)
    cx, cy = s(w / 2.0), s(h / 2.0)
    for i in range(60):
        t = i / 59
        r = s(14.5) * (1 - t)
        a = t ** 2.2
        col = (int(255 * min(1, a * 1.25)), int(60 * a ** 1.5 + 160 * max(0, t - 0.85) / 0.15 * a), int(30 * a ** 2 + 120 * max(0, t - 0.9) / 0.1 * a))
        d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=col)
    img = img.filter(ImageFilter.GaussianBlur(s(0.6)))
    return shrink(img, (w, h))


# ------------------------------------------------------------------------------------- meter --

def meter():
    """61 x 25 per frame, 87 frames: a cream scale, the needle from the left stop to the right."""
    w, h, n = 61, 25, 87
    sweep = 48.0
    px, py = w / 2.0, h + 14.0  # needle pivot below the window
    face = Image.new("RGBA", (s(w), s(h)), (0, 0, 0, 0))
    fd = ImageDraw.Draw(face)
    fd.rounded_rectangle([0, 0, s(w) - 1, s(h) - 1], radius=s(2), fill=(238, 226, 196, 255))
    # warm light from the top
    for i in range(s(h)):
        t = i / (s(h) - 1)
        fd.line([(s(1), i), (s(w) - s(1), i)], fill=lerp((246, 236, 206), (214, 200, 166), t) + (255,))
    fd.rounded_rectangle([0, 0, s(w) - 1, s(h) - 1], radius=s(2), outline=(40, 36, 30, 255), width=s(1))
    R = 30.0
    for i in range(11):
        a = -sweep + 2 * sweep * i / 10
        red = i >= 8
        col = (190, 40, 30, 255) if red else (40, 36, 30, 255)
        p0 = polar(s(px), s(py), s(R), a)
        p1 = polar(s(px), s(py), s(R + (4 if i % 5 == 0 else 2.5)), a)
        fd.line([p0, p1], fill=col, width=s(0.75) if False else 3)
    # scale arc, black then red
    box = [s(px - R), s(py - R), s(px + R), s(py + R)]
    fd.arc(box, start=-90 - sweep, end=-90 + sweep * 0.6, fill=(40, 36, 30, 255), width=3)
    fd.arc(box, start=-90 + sweep * 0.6, end=-90 + sweep, fill=(190, 40, 30, 255), width=6)
    fd.text((s(5), s(4)), "-", font=font("DejaVuSans-Bold.ttf", 6), fill=(40, 36, 30, 255), anchor="lm")
    fd.text((s(w - 6), s(4)), "+", font=font("DejaVuSans-Bold.ttf", 6), fill=(190, 40, 30, 255), anchor="mm")
    fd.text((s(w / 2), s(18.5)), "VU", font=font("DejaVuSans-Bold.ttf", 5), fill=(40, 36, 30, 255), anchor="mm")
    strip = Image.new("RGBA", (w, h * n), (0, 0, 0, 0))
    for k in range(n):
        f = face.copy()
        d = ImageDraw.Draw(f)
        a = -sweep + 2 * sweep * k / (n - 1)
        p0 = polar(s(px), s(py), s(16), a)
        p1 = polar(s(px), s(py), s(R + 3.5), a)
        d.line([(p0[0] + s(0.6), p0[1] + s(0.6)), (p1[0] + s(0.6), p1[1] + s(0.6))], fill=(0, 0, 0, 60), width=4)
        d.line([p0, p1], fill=(20, 18, 16, 255), width=4)
        # inner bevel shadow over everything
        d.line([(s(1), s(1)), (s(w) - s(2), s(1))], fill=(120, 110, 90, 255), width=3)
        strip.paste(shrink(f, (w, h)), (0, h * k))
    return strip


# -------------------------------------------------------------------------------------- save --

def write_png(path, img, row_filter):
    """A plain PNG (8-bit RGB or RGBA, no ancillary chunks) with one filter type on every row.
    The editor decodes every image when the first instance is created, so decoding speed counts
    more than file size: unfiltered rows cost nothing to undo."""
    channels = {"RGB": 3, "RGBA": 4}[img.mode]
    colour_type = {"RGB": 2, "RGBA": 6}[img.mode]
    w, h = img.size
    if img.mode == "RGBA":
        # Fully transparent pixels carry no colour: zero them so they compress to nothing.
        clear = Image.new("RGBA", img.size, (0, 0, 0, 0))
        img = Image.composite(img, clear, img.getchannel("A").point(lambda a: 255 if a else 0))
    raw = img.tobytes()
    stride = w * channels
    out = bytearray()
    for y in range(h):
        row = raw[y * stride:(y + 1) * stride]
        if row_filter == 1:
            f = bytearray(row)
            for i in range(len(row) - 1, channels - 1, -1):
                f[i] = (row[i] - row[i - channels]) & 0xFF
            row = bytes(f)
        out.append(row_filter)
        out += row

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(out), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# -------------------------------------------------------------------------------------- main --

def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "img")
    os.makedirs(out, exist_ok=True)

    bg = Image.new("RGB", (W, 2 * H))
    bg.paste(panel_frame(False), (0, 0))
    bg.paste(panel_frame(True), (0, H))
    images = {
        "bg.png": bg,
        "knob-3way-stack.png": shape_knob(),
        "knob-cap-stack.png": small_knob(),
        "big-knob-stack.png": big_knob(),
        "toggle-big-h.png": lever(),
        "glow_r.png": glow(),
        "small-VU.png": meter(),
        "numbers.png": numbers(),
    }
    sizes = {
        "bg.png": ((274, 700), "RGB"), "knob-3way-stack.png": ((24, 69), "RGBA"),
        "knob-cap-stack.png": ((24, 3128), "RGBA"), "big-knob-stack.png": ((31, 3808), "RGBA"),
        "toggle-big-h.png": ((41, 24), "RGBA"), "glow_r.png": ((30, 31), "RGB"),
        "small-VU.png": ((61, 2175), "RGBA"), "numbers.png": ((9, 60), "RGBA"),
    }
    for name, img in images.items():
        size, mode = sizes[name]
        assert img.size == size and img.mode == mode, (name, img.size, img.mode)
        write_png(os.path.join(out, name), img, ROW_FILTER)
    print("wrote", len(images), "images to", os.path.normpath(out))


if __name__ == "__main__":
    main()
