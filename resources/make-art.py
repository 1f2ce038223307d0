#!/usr/bin/python3
"""Draws the editor artwork of Orvane Piano.

Writes images/qorin_back.png (the 600 x 246 panel), images/qorin_poti_01.png
(large knob film strip) and images/qorin_poti_02.png (small knob film strip).
The PNG files are committed; the build never runs this script.

Needs Debian's python3-cairo and, for the captions, the TeX Gyre Heros faces
of the tex-gyre package (found through fontconfig). Run with the system
interpreter, where python3-cairo lives: /usr/bin/python3 resources/make-art.py
"""

import io
import math
import os
import random
import struct
import subprocess
import sys
import zlib

import cairo

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "images")

PANEL_W, PANEL_H = 600, 246
CELLS = 73  # one cell per 5 degrees, cell 72 repeats cell 0
STEP_DEG = 5.0
FACE = "TeX Gyre Heros"
FACE_CAPTION = "TeX Gyre Heros Cn"

# Knob classes: cell size, the cell point that sits on the rotation centre,
# the rotation centre inside the control and the travel (start and end angle,
# counted counter-clockwise from the right, the knob turning clockwise from
# start to end).
LARGE = dict(cell=(56, 55), pivot=(25.5, 26.0), centre=(28.0, 28.0), travel=(213.0, 327.0))
SMALL = dict(cell=(31, 31), pivot=(15.5, 15.5), centre=(15.5, 15.5), travel=(205.0, 330.0))

# Knobs on the panel: placed top-left corner, class, caption.
MAIN_ROW = [
    ((26, 145), "Decay"),
    ((103, 145), "Release"),
    ((179, 145), "Bell Volume"),
    ((256, 145), "Damper Volume"),
    ((333, 145), "Stereo"),
]
TREMOLO_RATE = (433, 128)
TREMOLO_DEPTH = (510, 128)
TREMOLO_STEREO = (485, 180)
VOICES_KNOB = (434, 47)
TUNE_KNOB = (543, 47)
VOICES_PLATE = (374, 55)
TUNE_PLATE = (483, 55)
PLATE_W, PLATE_H = 52, 14

# Palette
INK = (0.88, 0.86, 0.80)  # captions
INK_DIM = (0.62, 0.60, 0.56)
GOLD = (0.86, 0.71, 0.38)
RED = (0.78, 0.16, 0.18)
CYAN = (0.0, 1.0, 1.0)


def shown_angle(angle):
    """Pointer angle of the cell that a knob at `angle` shows (73 cells of 5 degrees)."""
    x = angle / 360.0 * CELLS
    column = int(math.floor(x + 0.5))  # half away from zero; x is never negative
    return column * STEP_DEG


def scale_span(knob):
    """First and last pointer angle of the scale: the cells shown at minimum and maximum.

    The knob turns clockwise, so the end angle is brought below the start angle.
    """
    start, end = knob["travel"]
    a0 = shown_angle(start)
    a1 = shown_angle(end)
    if a1 >= a0:
        a1 -= 360.0
    return a0, a1


def polar(cx, cy, r, deg):
    """Screen point at radius r and angle deg (counter-clockwise, y down on screen)."""
    a = math.radians(deg)
    return cx + r * math.cos(a), cy - r * math.sin(a)


# ---------------------------------------------------------------- PNG output


def png_chunks(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos = 8
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos : pos + 4])
        kind = data[pos + 4 : pos + 8]
        body = data[pos + 8 : pos + 8 + length]
        yield kind, body
        pos += 12 + length


def png_chunk(kind, body):
    crc = zlib.crc32(kind + body) & 0xFFFFFFFF
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)


def save_png(surface, path, colour_chunks):
    """Writes the surface through cairo, keeps IHDR, IDAT and IEND and, when asked,
    adds gAMA (1/2.2) and cHRM (sRGB primaries, D65 white) right after IHDR."""
    buf = io.BytesIO()
    surface.write_to_png(buf)
    out = [b"\x89PNG\r\n\x1a\n"]
    for kind, body in png_chunks(buf.getvalue()):
        if kind not in (b"IHDR", b"IDAT", b"IEND"):
            continue
        out.append(png_chunk(kind, body))
        if kind == b"IHDR" and colour_chunks:
            out.append(png_chunk(b"gAMA", struct.pack(">I", 45455)))
            chrm = (31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)
            out.append(png_chunk(b"cHRM", struct.pack(">8I", *chrm)))
    with open(path, "wb") as f:
        f.write(b"".join(out))


# ---------------------------------------------------------------- knobs


def knob_shadow(ctx, cx, cy, r, dx, dy, spread, strength):
    g = cairo.RadialGradient(cx + dx, cy + dy, max(r - spread, 0.0), cx + dx, cy + dy, r + spread)
    g.add_color_stop_rgba(0.0, 0, 0, 0, strength)
    g.add_color_stop_rgba(0.45, 0, 0, 0, strength * 0.55)
    g.add_color_stop_rgba(1.0, 0, 0, 0, 0.0)
    ctx.set_source(g)
    ctx.arc(cx + dx, cy + dy, r + spread, 0, 2 * math.pi)
    ctx.fill()


def spun_cap(ctx, cx, cy, rc, rng):
    """Brushed aluminium cap: concentric lathe marks and the fixed bow-tie sheen
    that a spun surface shows under a light from the upper left."""
    base = cairo.LinearGradient(cx - rc, cy - rc, cx + rc, cy + rc)
    base.add_color_stop_rgb(0.0, 0.86, 0.86, 0.85)
    base.add_color_stop_rgb(1.0, 0.50, 0.50, 0.50)
    ctx.set_source(base)
    ctx.arc(cx, cy, rc, 0, 2 * math.pi)
    ctx.fill()

    # The sheen: brightest along the axis across the light (upper right to lower
    # left, cairo's angle -45), falling as cos(2 theta)^3; drawn as thin wedges.
    ctx.save()
    ctx.arc(cx, cy, rc, 0, 2 * math.pi)
    ctx.clip()
    steps = 180
    for i in range(steps):
        a0 = 2 * math.pi * i / steps
        a1 = 2 * math.pi * (i + 1.3) / steps
        mid = (a0 + a1) / 2
        s = math.cos(2 * (mid - math.radians(-45.0)))
        level = max(s, 0.0) ** 3
        ctx.move_to(cx, cy)
        ctx.arc(cx, cy, rc + 1, a0, a1)
        ctx.close_path()
        if level > 0.0:
            ctx.set_source_rgba(1, 1, 1, 0.45 * level)
        else:
            ctx.set_source_rgba(0, 0, 0, 0.12 * (-s) ** 2)
        ctx.fill()
    # Lathe marks.
    r = 0.8
    while r < rc:
        shade = rng.uniform(-1, 1)
        if shade > 0:
            ctx.set_source_rgba(1, 1, 1, 0.10 * shade)
        else:
            ctx.set_source_rgba(0, 0, 0, 0.12 * -shade)
        ctx.set_line_width(0.5)
        ctx.arc(cx, cy, r, 0, 2 * math.pi)
        ctx.stroke()
        r += 0.55
    ctx.restore()

    # Chamfer: bright on the upper left, dark on the lower right.
    edge = cairo.LinearGradient(cx - rc, cy - rc, cx + rc, cy + rc)
    edge.add_color_stop_rgba(0.0, 1, 1, 1, 0.85)
    edge.add_color_stop_rgba(0.5, 0.6, 0.6, 0.6, 0.2)
    edge.add_color_stop_rgba(1.0, 0, 0, 0, 0.7)
    ctx.set_source(edge)
    ctx.set_line_width(1.0)
    ctx.arc(cx, cy, rc - 0.5, 0, 2 * math.pi)
    ctx.stroke()


def draw_knob(ctx, knob, angle, large):
    """One knob picture with its pointer at `angle`; only the pointer and the
    knurling turn, the light stays where it is."""
    cx, cy = knob["pivot"]
    rng = random.Random(7 if large else 11)  # same lathe marks in every cell
    if large:
        r_skirt, r_cap, ribs = 21.5, 14.0, 40
        shadow = (2.0, 2.8, 4.5, 0.60)
    else:
        r_skirt, r_cap, ribs = 11.5, 7.0, 24
        shadow = (1.1, 1.5, 2.2, 0.60)
    dx, dy, spread, strength = shadow

    # Soft contact shadow and a wider ambient one.
    knob_shadow(ctx, cx, cy, r_skirt, dx, dy, spread, strength)
    knob_shadow(ctx, cx, cy, r_skirt * 0.9, dx * 0.4, dy * 0.4, spread * 0.6, 0.35)

    # Skirt: black satin, lit from the upper left.
    body = cairo.LinearGradient(cx - r_skirt, cy - r_skirt, cx + r_skirt, cy + r_skirt)
    body.add_color_stop_rgb(0.0, 0.30, 0.30, 0.31)
    body.add_color_stop_rgb(0.55, 0.12, 0.12, 0.13)
    body.add_color_stop_rgb(1.0, 0.06, 0.06, 0.07)
    ctx.set_source(body)
    ctx.arc(cx, cy, r_skirt, 0, 2 * math.pi)
    ctx.fill()

    # Knurled ring on the skirt: ribs that turn with the knob, each lit by how
    # much its face looks towards the light.
    ctx.save()
    ctx.arc(cx, cy, r_skirt - 0.3, 0, 2 * math.pi)
    ctx.clip()
    ring_in = r_cap + (3.2 if large else 1.6)
    for i in range(ribs):
        a = angle + 360.0 * i / ribs
        light = math.cos(math.radians(a - 135.0))  # light from the upper left
        x0, y0 = polar(cx, cy, ring_in, a)
        x1, y1 = polar(cx, cy, r_skirt + 1, a)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.set_line_width(0.9 if large else 0.7)
        ctx.set_source_rgba(1, 1, 1, 0.07 + 0.16 * max(light, 0.0))
        ctx.stroke()
        x0, y0 = polar(cx, cy, ring_in, a + 180.0 / ribs)
        x1, y1 = polar(cx, cy, r_skirt + 1, a + 180.0 / ribs)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.set_source_rgba(0, 0, 0, 0.35)
        ctx.stroke()
    ctx.restore()

    # Rim highlight and the dark lower edge of the skirt.
    rim = cairo.LinearGradient(cx - r_skirt, cy - r_skirt, cx + r_skirt, cy + r_skirt)
    rim.add_color_stop_rgba(0.0, 1, 1, 1, 0.45)
    rim.add_color_stop_rgba(0.45, 1, 1, 1, 0.0)
    rim.add_color_stop_rgba(1.0, 0, 0, 0, 0.6)
    ctx.set_source(rim)
    ctx.set_line_width(1.0)
    ctx.arc(cx, cy, r_skirt - 0.5, 0, 2 * math.pi)
    ctx.stroke()

    # Pointer on the skirt: a white inlay from the cap to the rim.
    px0, py0 = polar(cx, cy, r_cap + 0.8, angle)
    px1, py1 = polar(cx, cy, r_skirt - (1.6 if large else 1.0), angle)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_source_rgba(0, 0, 0, 0.55)
    ctx.set_line_width(3.4 if large else 2.4)
    ctx.move_to(px0, py0)
    ctx.line_to(px1, py1)
    ctx.stroke()
    ctx.set_source_rgb(0.97, 0.95, 0.90)
    ctx.set_line_width(2.0 if large else 1.6)
    ctx.move_to(px0, py0)
    ctx.line_to(px1, py1)
    ctx.stroke()

    # The cap casts a small shadow on the skirt, then the spun cap itself.
    knob_shadow(ctx, cx, cy, r_cap, 0.8, 1.1, 1.6 if large else 1.0, 0.55)
    spun_cap(ctx, cx, cy, r_cap, rng)

    # Engraved line on the cap, continuing the pointer.
    ex0, ey0 = polar(cx, cy, r_cap * 0.25, angle)
    ex1, ey1 = polar(cx, cy, r_cap - 1.3, angle)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_width(1.6 if large else 1.3)
    ctx.set_source_rgba(0.08, 0.08, 0.09, 0.85)
    ctx.move_to(ex0, ey0)
    ctx.line_to(ex1, ey1)
    ctx.stroke()
    # Its lit lower edge.
    off = 0.6
    ctx.set_line_width(0.6)
    ctx.set_source_rgba(1, 1, 1, 0.35)
    ctx.move_to(ex0 + off, ey0 + off)
    ctx.line_to(ex1 + off, ey1 + off)
    ctx.stroke()


def make_strip(knob, large, path):
    cw, ch = knob["cell"]
    pitch = cw + 1
    width = CELLS * pitch + 2
    height = ch + 2
    strip = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
    sctx = cairo.Context(strip)
    for k in range(CELLS):
        cell = cairo.ImageSurface(cairo.FORMAT_ARGB32, cw, ch)
        ctx = cairo.Context(cell)
        draw_knob(ctx, knob, (k % 72) * STEP_DEG, large)
        cell.flush()
        sctx.set_operator(cairo.OPERATOR_SOURCE)
        sctx.set_source_surface(cell, k * pitch + 1, 1)
        sctx.rectangle(k * pitch + 1, 1, cw, ch)
        sctx.fill()
    # The grid: top row, bottom row and the column before every cell and after
    # the last; the image's last column stays transparent.
    sctx.set_operator(cairo.OPERATOR_SOURCE)
    sctx.set_source_rgba(*CYAN, 1.0)
    sctx.rectangle(0, 0, CELLS * pitch + 1, 1)
    sctx.rectangle(0, height - 1, CELLS * pitch + 1, 1)
    for k in range(CELLS + 1):
        sctx.rectangle(k * pitch, 0, 1, height)
    sctx.fill()
    strip.flush()
    save_png(strip, path, colour_chunks=False)


# ---------------------------------------------------------------- panel


def set_font(ctx, size, bold=False, face=FACE):
    weight = cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL
    ctx.select_font_face(face, cairo.FONT_SLANT_NORMAL, weight)
    ctx.set_font_size(size)
    opts = cairo.FontOptions()
    opts.set_antialias(cairo.ANTIALIAS_GRAY)
    opts.set_hint_style(cairo.HINT_STYLE_NONE)
    opts.set_hint_metrics(cairo.HINT_METRICS_OFF)
    ctx.set_font_options(opts)


def text_width(ctx, text, tracking):
    return ctx.text_extents(text).x_advance + tracking * (len(text) - 1)


def caption_font(ctx, size=9.5):
    set_font(ctx, size, bold=True, face=FACE_CAPTION)


def draw_text(ctx, text, x, y, tracking=0.0, colour=INK, align="left", emboss=True):
    """Caption printed on the panel; `tracking` spaces the letters, the emboss is
    the faint dark line under the print that a silk screen on metal shows."""
    w = text_width(ctx, text, tracking)
    if align == "centre":
        x -= w / 2
    elif align == "right":
        x -= w
    passes = [(0.8, (0, 0, 0, 0.55))] if emboss else []
    passes.append((0.0, colour + (1.0,)))
    for dy, rgba in passes:
        ctx.set_source_rgba(*rgba)
        pen = x
        for ch in text:
            ctx.move_to(pen, y + dy)
            ctx.show_text(ch)
            pen += ctx.text_extents(ch).x_advance + tracking
    return w


def groove_box(ctx, x, y, w, h, r, gap=None):
    """Engraved frame: a dark cut with a lit lower lip. `gap` leaves room in the
    top edge for a heading (x from, x to)."""

    def path(ox, oy):
        ctx.new_path()
        if gap:
            ctx.move_to(gap[1] + ox, y + oy)
        else:
            ctx.move_to(x + r + ox, y + oy)
        ctx.arc(x + w - r + ox, y + r + oy, r, -math.pi / 2, 0)
        ctx.arc(x + w - r + ox, y + h - r + oy, r, 0, math.pi / 2)
        ctx.arc(x + r + ox, y + h - r + oy, r, math.pi / 2, math.pi)
        ctx.arc(x + r + ox, y + r + oy, r, math.pi, 3 * math.pi / 2)
        if gap:
            ctx.line_to(gap[0] + ox, y + oy)
        else:
            ctx.close_path()

    ctx.set_line_width(1.0)
    path(0.5, 1.5)
    ctx.set_source_rgba(1, 1, 1, 0.10)
    ctx.stroke()
    path(0.5, 0.5)
    ctx.set_source_rgba(0, 0, 0, 0.65)
    ctx.stroke()


def brushed_metal(ctx, x, y, w, h, rng, strength):
    for _ in range(int(h * 6)):
        yy = y + rng.uniform(0, h)
        xx = x + rng.uniform(-w * 0.3, w)
        ll = rng.uniform(w * 0.2, w * 0.9)
        if rng.random() < 0.5:
            ctx.set_source_rgba(1, 1, 1, rng.uniform(0.0, strength))
        else:
            ctx.set_source_rgba(0, 0, 0, rng.uniform(0.0, strength * 1.4))
        ctx.rectangle(xx, yy, ll, rng.uniform(0.4, 1.0))
        ctx.fill()


def wood(ctx, x, y, w, h, rng):
    """Walnut end cheek: warm base, wavy grain lines, a lacquer sheen."""
    base = cairo.LinearGradient(x, 0, x + w, 0)
    base.add_color_stop_rgb(0.0, 0.22, 0.12, 0.07)
    base.add_color_stop_rgb(0.5, 0.36, 0.21, 0.12)
    base.add_color_stop_rgb(1.0, 0.24, 0.13, 0.08)
    ctx.set_source(base)
    ctx.rectangle(x, y, w, h)
    ctx.fill()
    ctx.save()
    ctx.rectangle(x, y, w, h)
    ctx.clip()
    for _ in range(int(w * 2.2)):
        gx = x + rng.uniform(-1, w + 1)
        phase = rng.uniform(0, 2 * math.pi)
        amp = rng.uniform(0.3, 1.4)
        period = rng.uniform(30, 90)
        ctx.move_to(gx, y)
        yy = y
        while yy <= y + h:
            ctx.line_to(gx + amp * math.sin(phase + yy / period * 2 * math.pi), yy)
            yy += 3
        dark = rng.random() < 0.65
        if dark:
            ctx.set_source_rgba(0.08, 0.03, 0.01, rng.uniform(0.15, 0.45))
        else:
            ctx.set_source_rgba(0.65, 0.42, 0.24, rng.uniform(0.08, 0.25))
        ctx.set_line_width(rng.uniform(0.3, 1.1))
        ctx.stroke()
    sheen = cairo.LinearGradient(0, y, 0, y + h)
    sheen.add_color_stop_rgba(0.0, 1, 0.9, 0.8, 0.16)
    sheen.add_color_stop_rgba(0.35, 1, 0.9, 0.8, 0.0)
    sheen.add_color_stop_rgba(1.0, 0, 0, 0, 0.25)
    ctx.set_source(sheen)
    ctx.rectangle(x, y, w, h)
    ctx.fill()
    ctx.restore()


def screw(ctx, x, y, slot_deg):
    g = cairo.RadialGradient(x - 1, y - 1, 0.5, x, y, 3.6)
    g.add_color_stop_rgb(0.0, 0.80, 0.80, 0.78)
    g.add_color_stop_rgb(1.0, 0.30, 0.30, 0.30)
    ctx.set_source_rgba(0, 0, 0, 0.5)
    ctx.arc(x + 0.6, y + 0.8, 3.8, 0, 2 * math.pi)
    ctx.fill()
    ctx.set_source(g)
    ctx.arc(x, y, 3.4, 0, 2 * math.pi)
    ctx.fill()
    ctx.set_line_width(1.1)
    ctx.set_source_rgba(0.1, 0.1, 0.1, 0.9)
    for d in (slot_deg, slot_deg + 90):
        x0, y0 = polar(x, y, 2.3, d)
        x1, y1 = polar(x, y, 2.3, d + 180)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
    ctx.stroke()


def knob_centre(placed, knob):
    return placed[0] + knob["centre"][0], placed[1] + knob["centre"][1]


def knob_well(ctx, cx, cy, r):
    """The slightly darker round recess the knob stands in."""
    g = cairo.RadialGradient(cx, cy, r * 0.55, cx, cy, r)
    g.add_color_stop_rgba(0.0, 0, 0, 0, 0.28)
    g.add_color_stop_rgba(0.8, 0, 0, 0, 0.12)
    g.add_color_stop_rgba(1.0, 0, 0, 0, 0.0)
    ctx.set_source(g)
    ctx.arc(cx, cy, r, 0, 2 * math.pi)
    ctx.fill()


def tick_scale(ctx, cx, cy, knob, r_in, r_out, majors, minors_between, centre_mark=False):
    """Ticks from the pointer angle at minimum to the pointer angle at maximum;
    ends and (when asked) the centre drawn longer."""
    a0, a1 = scale_span(knob)
    n = (majors - 1) * (minors_between + 1)
    for i in range(n + 1):
        a = a0 + (a1 - a0) * i / n
        major = i % (minors_between + 1) == 0
        end = i in (0, n)
        centre = centre_mark and 2 * i == n
        r0 = r_in
        if not major:
            r0 = r_in + (r_out - r_in) * 0.45
        if end or centre:
            r0 = r_in - 1.5
        x0, y0 = polar(cx, cy, r0, a)
        x1, y1 = polar(cx, cy, r_out, a)
        ctx.set_line_cap(cairo.LINE_CAP_BUTT)
        width = 1.3 if (major or end) else 0.9
        # dark cut beneath, ink on top
        ctx.set_source_rgba(0, 0, 0, 0.45)
        ctx.set_line_width(width + 0.6)
        ctx.move_to(x0 + 0.3, y0 + 0.6)
        ctx.line_to(x1 + 0.3, y1 + 0.6)
        ctx.stroke()
        if end or centre:
            ctx.set_source_rgb(*GOLD)
        else:
            ctx.set_source_rgba(*INK, 0.9 if major else 0.6)
        ctx.set_line_width(width)
        ctx.move_to(x0, y0)
        ctx.line_to(x1, y1)
        ctx.stroke()


def gold_plate(ctx, x, y, rng):
    """Recessed bezel around the plate, then the plate, exactly 52 x 14 at (x, y)."""
    # bezel outside the plate
    ctx.set_source_rgba(0, 0, 0, 0.75)
    ctx.rectangle(x - 2, y - 2, PLATE_W + 4, PLATE_H + 4)
    ctx.fill()
    ctx.set_source_rgba(1, 1, 1, 0.14)
    ctx.rectangle(x - 2, y + PLATE_H + 1, PLATE_W + 4, 1)
    ctx.rectangle(x + PLATE_W + 1, y - 2, 1, PLATE_H + 4)
    ctx.fill()
    g = cairo.LinearGradient(0, y, 0, y + PLATE_H)
    g.add_color_stop_rgb(0.0, 0.98, 0.89, 0.62)
    g.add_color_stop_rgb(0.45, 0.89, 0.75, 0.43)
    g.add_color_stop_rgb(1.0, 0.72, 0.55, 0.25)
    ctx.set_source(g)
    ctx.rectangle(x, y, PLATE_W, PLATE_H)
    ctx.fill()
    ctx.save()
    ctx.rectangle(x, y, PLATE_W, PLATE_H)
    ctx.clip()
    brushed_metal(ctx, x, y, PLATE_W, PLATE_H, rng, 0.045)
    # sheen band and edges
    sheen = cairo.LinearGradient(x, 0, x + PLATE_W, 0)
    sheen.add_color_stop_rgba(0.0, 1, 1, 1, 0.0)
    sheen.add_color_stop_rgba(0.3, 1, 1, 1, 0.18)
    sheen.add_color_stop_rgba(0.6, 1, 1, 1, 0.0)
    ctx.set_source(sheen)
    ctx.rectangle(x, y, PLATE_W, PLATE_H)
    ctx.fill()
    ctx.set_source_rgba(1, 1, 0.9, 0.55)
    ctx.rectangle(x, y, PLATE_W, 1)
    ctx.fill()
    ctx.set_source_rgba(0.3, 0.2, 0.05, 0.45)
    ctx.rectangle(x, y + PLATE_H - 1, PLATE_W, 1)
    ctx.rectangle(x + PLATE_W - 1, y, 1, PLATE_H)
    ctx.fill()
    ctx.restore()


def make_panel(path):
    rng = random.Random(1961)
    surf = cairo.ImageSurface(cairo.FORMAT_RGB24, PANEL_W, PANEL_H)
    ctx = cairo.Context(surf)

    # Charcoal metal with a little warmth, darker towards the player.
    g = cairo.LinearGradient(0, 0, 0, PANEL_H)
    g.add_color_stop_rgb(0.0, 0.205, 0.205, 0.215)
    g.add_color_stop_rgb(0.4, 0.165, 0.165, 0.175)
    g.add_color_stop_rgb(1.0, 0.115, 0.115, 0.125)
    ctx.set_source(g)
    ctx.paint()
    brushed_metal(ctx, 0, 0, PANEL_W, PANEL_H, rng, 0.028)
    # soft light falling from the upper left
    glow = cairo.RadialGradient(140, -60, 10, 140, -60, 420)
    glow.add_color_stop_rgba(0.0, 1, 1, 1, 0.07)
    glow.add_color_stop_rgba(1.0, 1, 1, 1, 0.0)
    ctx.set_source(glow)
    ctx.paint()

    # Top and bottom edges of the metal.
    ctx.set_source_rgba(1, 1, 1, 0.12)
    ctx.rectangle(0, 0, PANEL_W, 1)
    ctx.fill()
    ctx.set_source_rgba(0, 0, 0, 0.6)
    ctx.rectangle(0, PANEL_H - 1, PANEL_W, 1)
    ctx.fill()

    # Walnut end cheeks.
    cheek = 12
    for x0 in (0, PANEL_W - cheek):
        wood(ctx, x0, 0, cheek, PANEL_H, rng)
    ctx.set_source_rgba(0, 0, 0, 0.7)
    ctx.rectangle(cheek, 0, 1, PANEL_H)
    ctx.rectangle(PANEL_W - cheek - 1, 0, 1, PANEL_H)
    ctx.fill()
    ctx.set_source_rgba(1, 1, 1, 0.10)
    ctx.rectangle(cheek + 1, 0, 1, PANEL_H)
    ctx.fill()

    # Red accent line under the name band.
    ctx.set_source_rgb(*RED)
    ctx.rectangle(24, 86, 320, 2)
    ctx.fill()
    ctx.set_source_rgba(0, 0, 0, 0.5)
    ctx.rectangle(24, 88, 320, 1)
    ctx.fill()

    # Product name.
    set_font(ctx, 36, bold=True)
    x, y = 24, 64
    w1 = draw_text(ctx, "Orvane", x, y, tracking=0.6, colour=INK)
    set_font(ctx, 36)
    draw_text(ctx, " Piano", x + w1 + 1, y, tracking=0.6, colour=GOLD)
    set_font(ctx, 7.5, bold=True)
    tagline = "ELECTRIC  PIANO  \u00b7  PHYSICAL  MODEL"
    draw_text(ctx, tagline, 25, 80, tracking=1.6, colour=INK_DIM, emboss=False)

    # Display section: each value plate with its knob to the right.
    groove_box(ctx, 362, 30, 222, 58, 5)
    caption_font(ctx, 8.8)
    draw_text(ctx, "VOICES", VOICES_PLATE[0] + PLATE_W / 2, 49, tracking=0.8, align="centre")
    draw_text(ctx, "TUNE", TUNE_PLATE[0] + PLATE_W / 2, 49, tracking=0.8, align="centre")
    prng = random.Random(5)
    gold_plate(ctx, *VOICES_PLATE, prng)
    gold_plate(ctx, *TUNE_PLATE, prng)
    for placed, marks, centre in ((VOICES_KNOB, 11, False), (TUNE_KNOB, 11, True)):
        cx, cy = knob_centre(placed, SMALL)
        knob_well(ctx, cx, cy, 15)
        tick_scale(ctx, cx, cy, SMALL, 13.8, 17.0, marks, 0, centre_mark=centre)
    set_font(ctx, 9, bold=True)
    tcx, tcy = knob_centre(TUNE_KNOB, SMALL)
    for sign, a in (("\u2212", scale_span(SMALL)[0]), ("+", scale_span(SMALL)[1])):
        lx, ly = polar(tcx, tcy, 21.5, a)
        draw_text(ctx, sign, lx, ly + 3.5, align="centre", colour=INK_DIM)

    def section(x, w, title):
        caption_font(ctx, 9.5)
        hx = x + w / 2
        hw = text_width(ctx, title, 2.4)
        groove_box(ctx, x, 108, w, 122, 6, gap=(hx - hw / 2 - 6, hx + hw / 2 + 6))
        draw_text(ctx, title, hx, 112, tracking=2.4, align="centre", colour=GOLD)

    # Piano section.
    section(20, 384, "PIANO")
    for placed, caption in MAIN_ROW:
        cx, cy = knob_centre(placed, LARGE)
        knob_well(ctx, cx, cy, 26)
        tick_scale(ctx, cx, cy, LARGE, 26.5, 31.5, 11, 1)
        caption_font(ctx, 8.8)
        draw_text(ctx, caption.upper(), cx, 217, tracking=0.5, align="centre")

    # Tremolo section.
    section(412, 172, "TREMOLO")
    for placed, caption in ((TREMOLO_RATE, "RATE"), (TREMOLO_DEPTH, "DEPTH")):
        cx, cy = knob_centre(placed, LARGE)
        knob_well(ctx, cx, cy, 26)
        tick_scale(ctx, cx, cy, LARGE, 26.5, 31.5, 11, 1)
        caption_font(ctx, 8.8)
        draw_text(ctx, caption, cx, 201, tracking=0.5, align="centre")
    cx, cy = knob_centre(TREMOLO_STEREO, SMALL)
    knob_well(ctx, cx, cy, 15)
    tick_scale(ctx, cx, cy, SMALL, 13.8, 17.0, 7, 0)
    caption_font(ctx, 8.8)
    draw_text(ctx, "STEREO", cx, 224, tracking=0.5, align="centre")

    # Corner screws.
    for sx, sy, d in ((22, 12, 20), (578, 12, 65), (22, 238, 40), (578, 238, 10)):
        screw(ctx, sx, sy, d)

    surf.flush()
    save_png(surf, path, colour_chunks=True)


def check_fonts():
    """Cairo falls back to any face silently; insist on the ones the captions are set in."""
    families = subprocess.run(["fc-list", ":", "family"], capture_output=True, text=True).stdout
    missing = [f for f in (FACE, FACE_CAPTION) if f not in families.splitlines()]
    if missing:
        sys.exit("make-art: fonts %s not found; apt-get install tex-gyre" % ", ".join(missing))


def main():
    check_fonts()
    os.makedirs(OUT, exist_ok=True)
    make_panel(os.path.join(OUT, "qorin_back.png"))
    make_strip(LARGE, True, os.path.join(OUT, "qorin_poti_01.png"))
    make_strip(SMALL, False, os.path.join(OUT, "qorin_poti_02.png"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
