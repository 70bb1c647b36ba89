"""What a saved capture must be: a complete 24-bit Windows bitmap file whose
length is its bfSize, no larger than the screen it was taken from."""

import struct


def bitmap_problems(data, max_width, max_height):
    """A list of what is wrong with these file bytes (empty when nothing is)."""
    if len(data) < 54:
        return [f"only {len(data)} bytes, shorter than the 54-byte headers"]
    (magic, size, reserved1, reserved2, offset, header_size, width, height, planes, bits,
     compression, image_size) = struct.unpack_from("<2sIHHIIiiHHII", data, 0)
    problems = []
    expect = [("bfType", magic, b"BM"), ("bfSize", size, len(data)),
              ("reserved", (reserved1, reserved2), (0, 0)), ("bfOffBits", offset, 54),
              ("biSize", header_size, 40), ("biPlanes", planes, 1), ("biBitCount", bits, 24),
              ("biCompression", compression, 0)]
    problems += [f"{name} is {got!r}, not {wanted!r}" for name, got, wanted in expect
                 if got != wanted]
    if not 1 <= width <= max_width or not 1 <= height <= max_height:
        problems.append(f"{width} x {height} is not within the {max_width} x {max_height} screen")
    else:
        row = (width * 3 + 3) // 4 * 4
        if len(data) != 54 + row * height:
            problems.append(f"{len(data)} bytes, not 54 + {row} x {height} for {width} x {height}")
        if image_size not in (0, row * height):
            problems.append(f"biSizeImage is {image_size}, not {row * height}")
    return problems
