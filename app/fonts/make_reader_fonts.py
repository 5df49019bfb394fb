#!/usr/bin/python3
"""Makes the reader's six faces from DejaVu Sans.

Each face has the reader's face name and, for every Windows-1252 character,
the advance width of the handheld's width table, so that the editor breaks
lines where the handheld will. The editor draws a font of L lengths at
L pixels per zoom step, so a face for L has 64 * L units per em and every
width w becomes 64 * w units: exactly w * Z pixels at zoom Z, with no
rounding in the rasteriser's fixed-point scale. The glyphs are DejaVu's,
narrowed or widened to their advance. The line height is the handheld's.

usage: make_reader_fonts.py WIDTHS REGULAR.ttf BOLD.ttf OUTDIR
"""
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

# Face, width table, bold source, font size in lengths, line height in pixels.
FACES = [
    ("NTolmText9", "standard", False, 9, 11),
    ("TolmText9", "standard", False, 9, 11),
    ("NTolmText12", "large", False, 11, 14),
    ("TolmText12", "large", False, 11, 14),
    ("TolmText9B", "standard-bold", True, 9, 11),
    ("TolmText12B", "large-bold", True, 11, 15),
]
UNITS_PER_PIXEL = 64
GLYPH_SCALE = 1.0
UNDEFINED_BYTES = {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D}


def read_tables(path):
    tables = {}
    with open(path) as f:
        for line in f:
            fields = line.split()
            if fields:
                tables[fields[0]] = [int(w) for w in fields[1:]]
    for name, widths in tables.items():
        if len(widths) != 256:
            sys.exit("width table %s has %d entries" % (name, len(widths)))
    return tables


def make_face(face, widths, source, size, line_height, out_path):
    upem = UNITS_PER_PIXEL * size
    src_glyphs = source.getGlyphSet()
    src_cmap = source.getBestCmap()
    scale = GLYPH_SCALE * upem / source["head"].unitsPerEm

    order = [".notdef"]
    cmap = {}
    glyphs = {}
    advances = {}
    empty = TTGlyphPen(None)
    glyphs[".notdef"] = empty.glyph()
    advances[".notdef"] = 5 * UNITS_PER_PIXEL
    for byte in range(0x20, 0x100):
        if byte in UNDEFINED_BYTES:
            continue
        char = ord(bytes([byte]).decode("cp1252"))
        src_name = src_cmap.get(char)
        if src_name is None:
            continue
        name = "uni%04X" % char
        advance = widths[byte] * UNITS_PER_PIXEL
        natural = src_glyphs[src_name].width * scale
        narrow = advance / natural if natural > 0 else 1.0
        recording = DecomposingRecordingPen(src_glyphs)
        src_glyphs[src_name].draw(recording)
        pen = TTGlyphPen(None)
        recording.replay(TransformPen(pen, (scale * narrow, 0, 0, scale, 0, 0)))
        order.append(name)
        cmap[char] = name
        glyphs[name] = pen.glyph()
        advances[name] = advance

    descent = round(line_height * UNITS_PER_PIXEL * 0.22)
    ascent = line_height * UNITS_PER_PIXEL - descent
    builder = FontBuilder(upem, isTTF=True)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap(cmap)
    builder.setupGlyf(glyphs)
    glyf = builder.font["glyf"]
    metrics = {}
    for name in order:
        glyph = glyf[name]
        glyph.recalcBounds(glyf)
        metrics[name] = (advances[name], getattr(glyph, "xMin", 0))
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=ascent, descent=-descent, lineGap=0)
    builder.setupNameTable({
        "familyName": face,
        "styleName": "Regular",
        "uniqueFontIdentifier": "Scrivora: %s" % face,
        "fullName": face,
        "psName": face,
        "version": "Version 1.0",
        "copyright": "Glyphs derived from DejaVu Sans (Bitstream Vera license); "
                     "advance widths of the Tolm handheld reader.",
    })
    builder.setupOS2(
        sTypoAscender=ascent, sTypoDescender=-descent, sTypoLineGap=0,
        usWinAscent=ascent, usWinDescent=descent, usWeightClass=400,
        fsSelection=0x40 | 0x80, achVendID="TOLM", fsType=0,
        ulCodePageRange1=1, ulUnicodeRange1=3)
    builder.setupPost()
    builder.save(out_path)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    tables = read_tables(sys.argv[1])
    regular = TTFont(sys.argv[2])
    bold = TTFont(sys.argv[3])
    out_dir = sys.argv[4]
    os.makedirs(out_dir, exist_ok=True)
    for face, table, is_bold, size, line_height in FACES:
        path = os.path.join(out_dir, face + ".ttf")
        tmp = path + ".part"
        make_face(face, tables[table], bold if is_bold else regular, size, line_height, tmp)
        os.replace(tmp, path)


if __name__ == "__main__":
    main()
