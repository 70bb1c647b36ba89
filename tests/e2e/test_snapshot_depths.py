"""The whole-screen snapshot on displays of 24, 16 and 8 bits per pixel: a
known picture covers the screen, snapshot_dump writes the snapshot's bytes to a
file, and the file must be a 24-bit bitmap without a colour table showing that
picture."""

import os
import struct
import unittest
from pathlib import Path

import harness


def dump_path():
    """snapshot_dump.exe: TESSARIN_SNAPSHOT_DUMP, else beside the probe."""
    explicit = os.environ.get("TESSARIN_SNAPSHOT_DUMP")
    return Path(explicit) if explicit else harness.probe_path().parent / "snapshot_dump.exe"


def row_size(width):
    return (width * 24 + 31) // 32 * 4


# Colours a 16-bit (5-6-5) screen holds exactly: a 5- or 6-bit level widened to
# 8 bits as ImageMagick reads the screen back (scaled, rounded down).
def _widened(level, bits):
    return level * 255 // ((1 << bits) - 1)


def gradient(x, y):
    """Different in every row and column, so a flipped or shifted copy shows."""
    return (x & 0xFF, y & 0xFF, 0x80 | (x >> 8) | ((y >> 8) << 3))


def gradient_565(x, y):
    return (_widened(x % 32, 5), _widened(y % 64, 6), _widened((x // 32 + y // 64) % 32, 5))


BLOCK_COLOURS = [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 255, 0), (0, 0, 255),
                 (255, 255, 0), (0, 255, 255), (255, 0, 255), (128, 128, 128), (128, 0, 0),
                 (0, 128, 0), (0, 0, 128), (192, 192, 192), (128, 128, 0), (0, 128, 128),
                 (128, 0, 128)]


def blocks(x, y):
    """Sixteen solid colours in 40 x 30 blocks: few enough for a 256-colour palette."""
    return BLOCK_COLOURS[(x // 40 + 3 * (y // 30)) % len(BLOCK_COLOURS)]


def make_picture(width, height, colour):
    data = bytearray(width * height * 3)
    i = 0
    for y in range(height):
        for x in range(width):
            data[i:i + 3] = bytes(colour(x, y))
            i += 3
    return harness.Picture(width, height, bytes(data))


def write_ppm(path, picture):
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (picture.width, picture.height))
        out.write(picture.data)


def read_snapshot(data):
    """The header fields in file order and the pixels as a top-down Picture."""
    names = ["bfType", "bfSize", "bfReserved1", "bfReserved2", "bfOffBits", "biSize",
             "biWidth", "biHeight", "biPlanes", "biBitCount", "biCompression", "biSizeImage",
             "biXPelsPerMeter", "biYPelsPerMeter", "biClrUsed", "biClrImportant"]
    fields = dict(zip(names, struct.unpack_from("<2sIHHIIiiHHIIiiII", data, 0)))
    width, height = fields["biWidth"], fields["biHeight"]
    rows = []
    for stored in range(height):
        start = 54 + stored * row_size(width)
        bgr = data[start:start + 3 * width]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    rows.reverse()  # stored bottom row first
    return fields, harness.Picture(width, height, b"".join(rows))


def differences(got, want, tolerance):
    """How many pixels differ by more than `tolerance` in a channel; the first one."""
    count, first = 0, None
    for i in range(0, len(want.data), 3):
        if max(abs(a - b) for a, b in zip(got.data[i:i + 3], want.data[i:i + 3])) > tolerance:
            if first is None:
                y, x = divmod(i // 3, want.width)
                first = f"({x},{y}) got {tuple(got.data[i:i + 3])} want {tuple(want.data[i:i + 3])}"
            count += 1
    return count, first


class SnapshotDepthsTest(unittest.TestCase):

    def take_snapshot(self, desktop):
        out = desktop.workdir / "snapshot.bmp"
        program = desktop.start_program(exe=dump_path(),
                                        args=["Z:" + str(out).replace("/", "\\")])
        status = program.wait_exit(180)
        facts = harness.parse_facts(program.log())
        self.assertEqual(status, 0, program.log())
        return facts, out.read_bytes()

    def check_layout(self, data, width, height):
        fields, picture = read_snapshot(data)
        image_size = row_size(width) * height
        self.assertEqual(len(data), 54 + image_size)
        self.assertEqual(list(fields.values()),
                         [b"BM", len(data), 0, 0, 54, 40, width, height, 1, 24, 0, image_size,
                          0, 0, 0, 0])
        return picture

    def cover_and_snapshot(self, desktop, picture):
        path = desktop.workdir / "cover.ppm"
        write_ppm(path, picture)
        desktop.cover(path)
        return self.take_snapshot(desktop)

    def test_depth_24_gives_the_screen_pixel_for_pixel(self):
        # 1366 pixels a row: 4098 bytes of pixels and 2 of padding.
        width, height = 1366, 768
        expected = make_picture(width, height, gradient)
        with harness.Desktop(width, height, 24) as desktop:
            facts, data = self.cover_and_snapshot(desktop, expected)
        self.assertEqual(row_size(width), 4100)
        got = self.check_layout(data, width, height)
        count, first = differences(got, expected, 0)
        self.assertEqual(count, 0, f"{count} pixels differ, first at {first}")
        for stored in range(height):
            padding = 54 + stored * 4100 + 4098
            self.assertEqual(data[padding:padding + 2], b"\0\0", f"row {stored} padding")

    def test_depth_16_gives_the_screen_within_five_per_channel(self):
        width, height = 640, 480
        expected = make_picture(width, height, gradient_565)
        with harness.Desktop(width, height, 16) as desktop:
            facts, data = self.cover_and_snapshot(desktop, expected)
        self.assertEqual(facts.get("screen_bits"), "16")
        got = self.check_layout(data, width, height)
        count, first = differences(got, expected, 5)
        self.assertEqual(count, 0, f"{count} pixels differ by more than 5, first at {first}")

    def test_depth_8_still_gives_24_bits_without_a_colour_table(self):
        width, height = 640, 480
        expected = make_picture(width, height, blocks)
        with harness.Desktop(width, height, 8) as desktop:
            facts, data = self.cover_and_snapshot(desktop, expected)
        self.assertEqual(facts.get("screen_bits"), "8")
        self.assertEqual(facts.get("rc_palette"), "1", "no palette-based display at depth 8")
        got = self.check_layout(data, width, height)
        # The colours cannot be compared: Wine reads the X colormap's indexes
        # through palettes of its own, not the colours ImageMagick put there
        # (GetPixel and GetDIBits do not even agree with each other). The
        # layout must survive all the same: each colour of the picture became
        # one colour of its own.
        mapping = {}
        for y in range(height):
            for x in range(width):
                mapping.setdefault(expected.pixel(x, y), set()).add(got.pixel(x, y))
        self.assertTrue(all(len(colours) == 1 for colours in mapping.values()), mapping)
        # Wine's palettes may merge a few colours, but a blank or garbled
        # snapshot would leave far fewer.
        distinct = {next(iter(c)) for c in mapping.values()}
        self.assertGreater(len(distinct), len(BLOCK_COLOURS) // 2, distinct)


if __name__ == "__main__":
    unittest.main()
