#!/usr/bin/env python3
"""Writes builtin.xml, the effect's built-in presets, from the table below.

Run once after changing the table; the generated file is committed:
    python3 resources/presets/make_builtin.py
"""

import os
from xml.sax.saxutils import quoteattr

PRODUCT = "Morvelin Video"

# Name, Detail, Sharpness, Smudging, Lightness, Contrast, Shadows, Midtones,
# Highlights, Noise, Noise Smooth, Noise Angle, Mode (0-based),
# Color-Dark, Color-MidDark, Color-Mid, Color-MidLight, Color-Light.
# 3D Colors is off in every built-in preset.
PRESETS = [
    ("NUVRA Arctic", 100, 50, 159, 100, 13, 70, 0, 0, 80, 90, -30, 0,
     0xFF390170, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFFDF3BA),
    ("NUVRA Black & White", 69, 34, 92, 0, 0, 0, 0, 0, 0, 0, 0, 0,
     0xFF000000, 0xFF808080, 0xFFA0A0A0, 0xFFC0C0C0, 0xFFFFFFFF),
    ("NUVRA Color Fantasy", 77, 48, 122, 12, 8, 25, 78, 0, 57, 100, 89, 1,
     0xFF172A03, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFDCF8B7),
    ("NUVRA Colorful Spray", 77, 34, 147, 0, 14, 25, 78, 0, 33, 100, -42, 1,
     0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7),
    ("NUVRA Dusty Rose", 77, 34, 147, 0, 14, 25, 78, 0, 33, 100, 51, 2,
     0xFF01051F, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFF66464),
    ("NUVRA Filled with Light", 94, 27, 159, 100, 13, 0, 100, 0, 16, 0, 89, 1,
     0xFFFFFFFF, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF000000),
    ("NUVRA Garden Green", 77, 48, 122, 0, 14, 25, 78, 0, 57, 100, 89, 0,
     0xFF172A03, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFDCF8B7),
    ("NUVRA Ghostly Shadows", 87, 27, 139, 0, 15, 100, 72, 55, 22, 0, -128, 2,
     0xFFA0A097, 0xFF1E221D, 0xFFAAAAAA, 0xFF1C231F, 0xFFD8D8D8),
    ("NUVRA Illumination", 94, 47, 77, 100, 22, 0, 100, 0, 16, 0, 89, 1,
     0xFFFFFFFF, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF000000),
    ("NUVRA Ink Spray", 43, 34, 92, 0, 0, 0, 0, 0, 33, 0, 49, 0,
     0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7),
    ("NUVRA Inverted Impression", 94, 43, 38, 12, 25, 0, 50, 0, 16, 0, 89, 0,
     0xFFFFFFFF, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF000000),
    ("NUVRA Metallic Navy", 77, 34, 160, 0, 14, 0, 0, 0, 33, 100, -42, 0,
     0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7),
    ("NUVRA Modern", 70, 34, 92, 0, 0, 0, 0, 0, 0, 0, 0, 2,
     0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7),
    ("NUVRA Purple Iris", 94, 27, 159, 100, 13, 0, 100, 0, 80, 99, 49, 0,
     0xFF710ED2, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF549427),
    ("NUVRA Sea Sunset", 77, 34, 147, 0, 14, 25, 78, 0, 33, 100, 51, 2,
     0xFF01051F, 0xFF2420B6, 0xFF3280BC, 0xFFEBBE2F, 0xFFF66464),
    ("NUVRA Sepia", 77, 34, 147, 0, 14, 25, 78, 0, 57, 0, 51, 0,
     0xFF471C01, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFF8E5B7),
    ("NUVRA Smooth Steel", 70, 16, 160, 0, 0, 0, 0, 0, 0, 0, 0, 0,
     0xFF000000, 0xFF808080, 0xFFA0A0A0, 0xFFC0C0C0, 0xFFFFFFFF),
    ("NUVRA Splatter Texture", 83, 27, 89, 6, 15, 26, 0, 0, 80, 0, -128, 1,
     0xFF390170, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFFDF3BA),
    ("NUVRA Spray Paint Art", 100, 50, 159, 6, 15, 70, 0, 0, 80, 99, -128, 1,
     0xFF390170, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFFDF3BA),
    ("NUVRA Through The Mist", 47, 6, 200, 12, 25, 12, 100, 0, 80, 100, 89, 1,
     0xFF172A03, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFDCF8B7),
]

FIELDS = ["detail", "sharpness", "smudging", "lightness", "contrast", "shadows", "midtones",
          "highlights", "noise", "smooth", "angle", "mode",
          "dark", "middark", "mid", "midlight", "light"]

# The 29 Param elements of every preset: id, control-type code, caption and
# the field whose value it carries (None: no Value attribute).
PARAMS = [
    (1, 11, "Painting", None), (2, 8, "Detail", "detail"), (3, 8, "Sharpness", "sharpness"),
    (4, 8, "Smudging", "smudging"), (5, 8, "Lightness", "lightness"), (6, 8, "Contrast", "contrast"),
    (7, 4, "Smart Contrast", "colors3d"), (8, 12, None, None), (9, 11, "Shading", None),
    (10, 8, "Shadows", "shadows"), (11, 8, "Midtones", "midtones"), (12, 8, "Highlights", "highlights"),
    (13, 12, None, None), (14, 11, "Spray", None), (15, 8, "Intensity", "noise"),
    (16, 8, "Smoothing", "smooth"), (17, 3, "Angle", "angle"), (18, 12, None, None),
    (19, 11, "Colors", None), (20, 7, "Mode", "mode"), (21, 5, "Darkest", "dark"),
    (22, 5, "Dark", "middark"), (23, 5, "Medium", "mid"), (24, 5, "Light", "midlight"),
    (25, 5, "Lightest", "light"), (26, 16, None, None), (27, 16, None, None),
    (28, 16, None, None), (29, 12, None, None),
]

COLORS = {"dark", "middark", "mid", "midlight", "light"}


def color_value(argb):
    """Each 8-bit channel c as the 16-bit channel c * 256, A R G B high to low."""
    channels = [(argb >> shift) & 0xFF for shift in (24, 16, 8, 0)]
    value = 0
    for c in channels:
        value = (value << 16) | (c * 256)
    return str(value)


def value_text(field, values):
    if field == "colors3d":
        return "false"
    v = values[field]
    if field in COLORS:
        return color_value(v)
    if field == "mode":
        return str(v)
    return "%d." % v


def preset_xml(row):
    name, numbers = row[0], row[1:]
    values = dict(zip(FIELDS, numbers))
    lines = ['  <Preset Name=%s P=%s>' % (quoteattr(name), quoteattr(PRODUCT))]
    for pid, ct, caption, field in PARAMS:
        attrs = 'Id="%d" CT="%d" Name=%s' % (pid, ct, quoteattr(caption or ""))
        if field:
            attrs += ' Value="%s"' % value_text(field, values)
        lines.append('    <Param %s/>' % attrs)
    lines.append('  </Preset>')
    return "\n".join(lines)


def main():
    # The file keeps an order of its own (by Detail, then Smudging, then name);
    # the loader sorts by name.
    rows = sorted(PRESETS, key=lambda r: (r[1], r[3], r[0]))
    out = ['<?xml version="1.0" encoding="utf-8"?>', "<PresetList>"]
    out += [preset_xml(row) for row in rows]
    out.append("</PresetList>")
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "builtin.xml")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
