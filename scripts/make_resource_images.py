#!/usr/bin/env python3
"""Regenerates the raster images under resources/ from SVG artwork.

Writes the 18 stylesheet indicator images of resources/qss/default/ and the multi-size
resources/icons/logo.ico (32-bit, 8-bit and 4-bit images, as Windows shells expect). The outputs
are committed, so building never needs this script; it needs rsvg-convert (Debian: librsvg2-bin).
"""
import pathlib
import struct
import subprocess
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
RESOURCES = ROOT / "resources"

ACCENT = "#00b688"
BORDER = "#c8ced3"
DISABLED_FILL = "#f1f1f1"
DISABLED_MARK = "#A0A0A0"
ARROW = "#707c88"


def svg(size, body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
            f'viewBox="0 0 16 16">{body}</svg>')


def checkbox(fill, border, mark):
    box = f'<rect x="1.5" y="1.5" width="13" height="13" rx="2.5" fill="{fill}" stroke="{border}"/>'
    if mark == "check":
        return box + '<path d="M4.5 8.2l2.4 2.4 4.6-5" stroke="#ffffff" stroke-width="1.8" fill="none" ' \
                     'stroke-linecap="round" stroke-linejoin="round"/>'
    if mark == "partial":
        return box + '<rect x="4.5" y="7" width="7" height="2" rx="1" fill="#ffffff"/>'
    return box


def radio(fill, border, dot):
    body = f'<circle cx="8" cy="8" r="6.5" fill="{fill}" stroke="{border}"/>'
    if dot:
        body += '<circle cx="8" cy="8" r="2.8" fill="#ffffff"/>'
    return body


def triangle(points, colour=ARROW):
    return f'<path d="M{points}z" fill="{colour}"/>'


INDICATORS = {
    "checkbox_checked": checkbox(ACCENT, ACCENT, "check"),
    "checkbox_checked_disable": checkbox(DISABLED_MARK, DISABLED_MARK, "check"),
    "checkbox_unchecked": checkbox("#ffffff", BORDER, None),
    "checkbox_unchecked_disable": checkbox(DISABLED_FILL, BORDER, None),
    "checkbox_parcial": checkbox(ACCENT, ACCENT, "partial"),
    "checkbox_parcial_disable": checkbox(DISABLED_MARK, DISABLED_MARK, "partial"),
    "radiobutton_checked": radio(ACCENT, ACCENT, True),
    "radiobutton_checked_disable": radio(DISABLED_MARK, DISABLED_MARK, True),
    "radiobutton_unchecked": radio("#ffffff", BORDER, False),
    "radiobutton_unchecked_disable": radio(DISABLED_FILL, BORDER, False),
    "add_top": triangle("4 10L8 6L12 10"),
    "add_bottom": triangle("4 6L8 10L12 6"),
    "add_left": triangle("10 4L6 8L10 12"),
    "add_right": triangle("6 4L10 8L6 12"),
    "branch_open": triangle("6 4L10 8L6 12"),
    "branch_close": triangle("4 6L8 10L12 6"),
    "calendar_prevmonth": triangle("10 3L5 8L10 13", "#34495e"),
    "calendar_nextmonth": triangle("6 3L11 8L6 13", "#34495e"),
}


def render(svg_text, size):
    """Rasterises SVG text to a size x size PNG and returns the PNG bytes."""
    return subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size)], input=svg_text.encode(),
                          stdout=subprocess.PIPE, check=True).stdout


def decode_png_rgba(data):
    """Returns rows of (r, g, b, a) tuples from an 8-bit RGBA, non-interlaced PNG."""
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type = struct.unpack(">IIBB", chunk[:10])
            assert depth == 8 and colour_type == 6, "rsvg-convert writes 8-bit RGBA"
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + length
    raw, stride, rows, previous = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        filter_type = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            up_left = previous[i - 4] if i >= 4 else 0
            if filter_type == 1:
                line[i] = (line[i] + left) & 0xFF
            elif filter_type == 2:
                line[i] = (line[i] + up) & 0xFF
            elif filter_type == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif filter_type == 4:
                p = left + up - up_left
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - up_left)
                predictor = left if pa <= pb and pa <= pc else (up if pb <= pc else up_left)
                line[i] = (line[i] + predictor) & 0xFF
        rows.append([tuple(line[x * 4:x * 4 + 4]) for x in range(width)])
        previous = line
    return rows


def and_mask(rows):
    """1-bit transparency mask, bottom-up, rows padded to 32 bits."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def bitmap_header(size, bits, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def bmp_32(rows):
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    return bitmap_header(size, 32, 0) + pixels + and_mask(rows)


def nearest(palette, colour):
    r, g, b = colour
    return min(range(len(palette)),
               key=lambda i: (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2 + (palette[i][2] - b) ** 2)


def bmp_indexed(rows, palette, bits):
    size = len(rows)
    palette = palette + [(0, 0, 0)] * ((1 << bits) - len(palette))
    cache = {}
    stride = ((size * bits + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            index = 0
            if a >= 128:
                index = cache.setdefault((r, g, b), nearest(palette, (r, g, b)))
            if bits == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += bytes(line)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return bitmap_header(size, bits, 1 << bits) + table + pixels + and_mask(rows)


# The classic 16-colour Windows palette, which every 4-bit icon image uses.
VGA_PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
               (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
               (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette_256(rows_list):
    """The opaque colours of the images when they fit, otherwise a 6x6x6 cube plus greys."""
    colours = sorted({(r, g, b) for rows in rows_list for row in rows for (r, g, b, a) in row if a >= 128})
    if len(colours) <= 256:
        return colours
    levels = [0, 51, 102, 153, 204, 255]
    cube = [(r, g, b) for r in levels for g in levels for b in levels]
    greys = [(v, v, v) for v in range(8, 248, 6) if (v, v, v) not in cube][:40]
    return cube + greys


def write_ico(path, svg_text):
    true_colour = [16, 20, 24, 32, 40, 48, 64, 256]
    images = []  # (size, colour count, bits, data)
    for size in true_colour:
        png = render(svg_text, size)
        images.append((size, 0, 32, png if size == 256 else bmp_32(decode_png_rgba(png))))
    rows_8 = {size: decode_png_rgba(render(svg_text, size)) for size in (16, 32, 48)}
    palette = palette_256(rows_8.values())
    for size, rows in rows_8.items():
        images.append((size, 0, 8, bmp_indexed(rows, palette, 8)))
    for size in (16, 32):
        images.append((size, 16, 4, bmp_indexed(decode_png_rgba(render(svg_text, size)), VGA_PALETTE, 4)))

    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b"".join(data for *_, data in images)
    path.write_bytes(out)


def main():
    indicator_dir = RESOURCES / "qss" / "default"
    indicator_dir.mkdir(parents=True, exist_ok=True)
    for name, body in INDICATORS.items():
        (indicator_dir / f"{name}.png").write_bytes(render(svg(16, body), 16))
    write_ico(RESOURCES / "icons" / "logo.ico", (RESOURCES / "icons" / "logo.svg").read_text())


if __name__ == "__main__":
    main()
