#!/usr/bin/env python3
"""Compare two Targa pictures of one size.

Prints the mean absolute difference per channel (0..255) and the correlation of the two
luminance images after a 3 x 3 box blur (1: the same picture up to brightness and contrast).

    compare_render.py mine.tga theirs.tga
"""
import math
import sys


def read_targa(path):
    """Returns (width, height, rows of (r, g, b, a) tuples, top row first)."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 18:
        raise ValueError(f"{path}: too short for a Targa file")
    id_len, cmap_type, kind = data[0], data[1], data[2]
    width = data[12] | data[13] << 8
    height = data[14] | data[15] << 8
    depth, descriptor = data[16], data[17]
    if cmap_type != 0 or kind not in (2, 3, 10, 11) or depth not in (8, 24, 32):
        raise ValueError(f"{path}: only true-colour and grey Targa pictures are read")
    bpp = depth // 8
    pos = 18 + id_len
    count = width * height
    pixels = []
    if kind in (2, 3):
        need = pos + count * bpp
        if len(data) < need:
            raise ValueError(f"{path}: pixel data cut short")
        for i in range(count):
            pixels.append(data[pos + i * bpp:pos + (i + 1) * bpp])
    else:
        while len(pixels) < count:
            if pos >= len(data):
                raise ValueError(f"{path}: pixel data cut short")
            head = data[pos]
            pos += 1
            n = (head & 0x7F) + 1
            if head & 0x80:
                px = data[pos:pos + bpp]
                pos += bpp
                pixels.extend([px] * n)
            else:
                for _ in range(n):
                    pixels.append(data[pos:pos + bpp])
                    pos += bpp
        pixels = pixels[:count]

    def rgba(p):
        if len(p) < bpp:
            raise ValueError(f"{path}: pixel data cut short")
        if bpp == 1:
            return (p[0], p[0], p[0], 255)
        return (p[2], p[1], p[0], p[3] if bpp == 4 else 255)

    rows = [[rgba(pixels[y * width + x]) for x in range(width)] for y in range(height)]
    if not descriptor & 0x20:  # bottom-left origin
        rows.reverse()
    if descriptor & 0x10:  # right-to-left
        rows = [list(reversed(r)) for r in rows]
    return width, height, rows


def blurred_luminance(width, height, rows):
    lum = [[0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2] for p in row] for row in rows]
    out = []
    for y in range(height):
        line = []
        for x in range(width):
            total, n = 0.0, 0
            for yy in range(max(0, y - 1), min(height, y + 2)):
                for xx in range(max(0, x - 1), min(width, x + 2)):
                    total += lum[yy][xx]
                    n += 1
            line.append(total / n)
        out.append(line)
    return out


def correlation(a, b):
    xs = [v for row in a for v in row]
    ys = [v for row in b for v in row]
    n = len(xs)
    mx, my = sum(xs) / n, sum(ys) / n
    sxy = sum((x - mx) * (y - my) for x, y in zip(xs, ys))
    sxx = sum((x - mx) ** 2 for x in xs)
    syy = sum((y - my) ** 2 for y in ys)
    if sxx == 0 or syy == 0:
        return 1.0 if sxx == syy else 0.0
    return sxy / math.sqrt(sxx * syy)


def compare(path_a, path_b):
    wa, ha, a = read_targa(path_a)
    wb, hb, b = read_targa(path_b)
    if (wa, ha) != (wb, hb):
        raise ValueError(f"sizes differ: {wa}x{ha} and {wb}x{hb}")
    n = wa * ha
    diff = [0.0, 0.0, 0.0]
    for ra, rb in zip(a, b):
        for pa, pb in zip(ra, rb):
            for c in range(3):
                diff[c] += abs(pa[c] - pb[c])
    mean = [d / n for d in diff]
    corr = correlation(blurred_luminance(wa, ha, a), blurred_luminance(wb, hb, b))
    return mean, corr


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: compare_render.py first.tga second.tga\n")
        return 2
    try:
        mean, corr = compare(argv[1], argv[2])
    except (OSError, ValueError) as e:
        sys.stderr.write(f"compare_render.py: {e}\n")
        return 1
    print(f"mean absolute difference: R {mean[0]:.3f} G {mean[1]:.3f} B {mean[2]:.3f}")
    print(f"luminance correlation (3x3 blur): {corr:.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
