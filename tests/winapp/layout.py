#!/usr/bin/env python3
"""Checks a screenshot of the main window (its client area, 8-bit PPM) against
the window's layout: the three gradient panels, the four buttons where the
Qt window puts them, and the red version label. Prints what it found; exits
1 when something is more than a few pixels off."""
import sys

TOLERANCE = 3

# (name, left, top, width, height) in client coordinates.
BUTTONS = [
    ("BExportar", 96, 120, 89, 25),
    ("BImportar", 316 + 96, 120, 89, 25),
    ("Button1", 48, 168 + 40, 75, 25),
    ("BClose", 256, 168 + 32, 89, 25),
]


def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        sys.exit("layout.py: se espera un PPM de 8 bits")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:]


def main(path):
    width, height, pixels = read_ppm(path)

    def at(x, y):
        i = 3 * (y * width + x)
        return tuple(pixels[i:i + 3])

    def close(a, b, slack=12):
        return all(abs(p - q) <= slack for p, q in zip(a, b))

    failures = []

    def check(what, ok, found):
        print(("bien " if ok else "MAL  ") + what + ": " + found)
        if not ok:
            failures.append(what)

    check("tamaño del área cliente 632x266", (width, height) == (632, 266), f"{width}x{height}")
    check("Draw3D2 empieza en #F9D37D", close(at(5, 1), (0xF9, 0xD3, 0x7D)), str(at(5, 1)))
    check("Draw3D3 empieza en #F9D37D", close(at(320, 1), (0xF9, 0xD3, 0x7D)), str(at(320, 1)))
    strip_top = next((y for y in range(140, 200) if at(5, y)[2] > at(5, y)[0] + 20), None)
    check("Draw3D1 empieza en y=168", strip_top is not None and abs(strip_top - 168) <= TOLERANCE, str(strip_top))
    check("Draw3D1 empieza en #C2CDFE", strip_top is not None and close(at(5, strip_top + 1), (0xC2, 0xCD, 0xFE)),
          str(at(5, (strip_top or 168) + 1)))

    for name, left, top, w, h in BUTTONS:
        row, column = top + h // 2, left + 4
        background = at(left - 8, row)
        x = column
        while x > 0 and not close(at(x, row), background, 4):
            x -= 1
        found_left = x + 1
        x = left + w - 4
        while x < width - 1 and not close(at(x, row), at(left + w + 8, row), 4):
            x += 1
        found_right = x
        y = top + h // 2
        while y > 0 and not close(at(column, y), at(column, top - 8), 4):
            y -= 1
        found_top = y + 1
        y = top + h // 2
        while y < height - 1 and not close(at(column, y), at(column, top + h + 8), 4):
            y += 1
        found_bottom = y
        found = (found_left, found_top, found_right - found_left, found_bottom - found_top)
        ok = all(abs(a - b) <= TOLERANCE for a, b in zip(found, (left, top, w, h)))
        check(f"{name} en ({left}, {top}) {w}x{h}", ok, f"({found[0]}, {found[1]}) {found[2]}x{found[3]}")

    red = any(at(x, y)[0] > 200 and at(x, y)[1] < 60 and at(x, y)[2] < 60
              for x in range(8, 160) for y in range(238, 256))
    check("Label1 en rojo en (8, 240)", red, "rojo" if red else "sin rojo")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
