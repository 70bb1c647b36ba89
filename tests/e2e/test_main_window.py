"""The main window as a user meets it: where it appears, its frame, every unit
on it, the Chinese texts actually drawn, and the ways of closing it."""

import unittest

from harness import MAIN_TITLE, Desktop, indexed, numbers

WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_THICKFRAME = 0x00040000
WS_TABSTOP = 0x00010000
WM_NCHITTEST = 0x0084
HTCLOSE = 20

# Every window unit, top of the overlapping order first (the file-dialog unit
# has no window). Rectangles are outer rectangles in the main window's client
# coordinates.
UNITS = [
    # (name, class, rect, text, visible, tab stop)
    ("credit", "TessarinTransparentLabel", (296, 0, 408, 24), None, True, False),
    ("hotkey sink", "Static", (8, 240, 88, 264), "", False, False),
    ("hide window", "Button", (16, 69, 96, 93), "隐藏窗口", True, True),
    ("save", "Button", (16, 122, 96, 154), "保存到本地", True, True),
    ("canvas", "TessarinCanvas", (112, 8, 404, 266), "", True, False),
    ("start", "Button", (14, 8, 94, 40), "F2/开始截图", True, True),
]


def ink_mask(picture, contrast=60):
    """Rows of booleans, True where a pixel is clearly darker than its row's
    most common colour (restyled faces are gradients, so each row has its own
    background; anti-aliased letters are partly grey)."""
    mask = []
    for y in range(picture.height):
        row = [max(picture.pixel(x, y)) for x in range(picture.width)]
        background = max(set(row), key=row.count)
        mask.append([value < background - contrast for value in row])
    return mask


def cell_difference(mask, left_a, left_b, width):
    """Pixels where two equally wide columns of a mask differ, at the best shift."""
    best = None
    for shift in range(-2, 3):
        differing = 0
        for row in mask:
            for dx in range(width):
                a = 0 <= left_a + dx < len(row) and row[left_a + dx]
                x = left_b + dx + shift
                b = 0 <= x < len(row) and row[x]
                differing += a != b
        best = differing if best is None else min(best, differing)
    return best


class MainWindowTest(unittest.TestCase):

    def start(self, desktop):
        program = desktop.start_program()
        window = desktop.wait_window(MAIN_TITLE, timeout=120)
        return program, window

    def test_centred_on_the_primary_screen_with_a_fixed_frame(self):
        cases = [
            ((1920, 1080), (752, 391, 1168, 689)),
            ((1366, 768), (475, 235, 891, 533)),
        ]
        for (width, height), rect in cases:
            with self.subTest(screen=f"{width}x{height}"), Desktop(width, height) as desktop:
                program, window = self.start(desktop)
                self.assertEqual(numbers(window["rect"]), rect)
                style = int(window["style"], 16)
                for bit, name in ((WS_CAPTION, "WS_CAPTION"), (WS_SYSMENU, "WS_SYSMENU"),
                                  (WS_MINIMIZEBOX, "WS_MINIMIZEBOX")):
                    self.assertTrue(style & bit == bit, f"{name} missing from {style:#x}")
                for bit, name in ((WS_THICKFRAME, "WS_THICKFRAME"),
                                  (WS_MAXIMIZEBOX, "WS_MAXIMIZEBOX")):
                    self.assertFalse(style & bit, f"{name} set in {style:#x}")
                self.assertTrue(program.running())

    def test_units_and_drawn_texts(self):
        with Desktop() as desktop:
            program, window = self.start(desktop)
            children = indexed(desktop.facts("children", window["hwnd"]), "child")
            self.assertEqual(len(children), len(UNITS), children)
            for child, (name, class_name, rect, text, visible, tab_stop) in zip(children, UNITS):
                with self.subTest(unit=name):
                    self.assertEqual(child["class"], class_name)
                    self.assertEqual(numbers(child["rect"]), rect)
                    if text is not None:
                        self.assertEqual(child["text"], text)
                    self.assertEqual(child["visible"], "1" if visible else "0")
                    self.assertEqual(child["enabled"], "1")
                    self.assertEqual(bool(int(child["style"], 16) & WS_TABSTOP), tab_stop)
            credit, check_box = children[0], children[2]
            self.assertTrue(credit["text"].strip(), "the credit has no text")
            self.assertEqual(check_box["checked"], "1")

            # The window shows its final picture once two screenshots agree.
            origin = numbers(window["client_origin"])
            screens = []

            def settled():
                screens.append(desktop.screen_picture())
                return len(screens) > 1 and screens[-1].data == screens[-2].data
            desktop.wait_for(settled, timeout=60, what="the main window to finish painting")
            screen = screens[-1]

            def area(rect):
                left, top, right, bottom = rect
                return screen.crop(origin[0] + left, origin[1] + top,
                                   origin[0] + right, origin[1] + bottom)

            # Real glyphs, not empty boxes: a missing glyph is drawn as the
            # same box for every character, so each Chinese character cell
            # must differ from its neighbour. The texts are measured in this
            # order so "F2/开始截图" can use the cell width of an all-Chinese one.
            texts = [
                # (unit, text area, Chinese characters at its right end, all Chinese)
                ("save", (19, 125, 93, 151), 5, True),
                ("hide window", (30, 69, 96, 93), 4, True),
                ("start", (17, 11, 91, 37), 4, False),
            ]
            cell = None
            for name, rect, count, all_chinese in texts:
                with self.subTest(drawn_text=name):
                    mask = ink_mask(area(rect))
                    columns = [x for x in range(len(mask[0])) if any(row[x] for row in mask)]
                    self.assertTrue(columns, f"no ink in the {name} text")
                    ink = sum(sum(row) for row in mask)
                    self.assertGreater(ink, 15 * count, f"too little ink in the {name} text")
                    right = columns[-1] + 1
                    if all_chinese:
                        cell = round((right - columns[0]) / count)
                    self.assertGreaterEqual(cell, 8, f"{name}: characters too narrow")
                    lefts = [right - cell * (count - i) for i in range(count)]
                    for a, b in zip(lefts, lefts[1:]):
                        self.assertGreater(cell_difference(mask, a, b, cell), 6,
                                           f"{name}: neighbouring characters look alike "
                                           "(empty glyph boxes?)")

            # The credit lies above the canvas: its green letters show where
            # the two overlap (client y 8 to 24), on the canvas's colour.
            overlap = area((296, 8, 404, 24))
            green = sum(n for (r, g, b), n in overlap.colours().items()
                        if g > 90 and r < 70 and b < 70)
            self.assertGreater(green, 15, "the credit's letters are not drawn over the canvas")
            canvas_colour = area((112, 30, 404, 266)).pixel(100, 100)
            self.assertIn(canvas_colour, overlap.colours(),
                          "the canvas does not show around the credit's letters")
            self.assertTrue(program.running())

    def test_closing_ends_the_program_with_status_0(self):
        def escape(desktop, window):
            desktop.xdotool("key", "Escape")

        def alt_f4(desktop, window):
            desktop.xdotool("key", "alt+F4")

        def close_button(desktop, window):
            # Wine draws the title bar itself here; ask the window where its
            # close button is and click it.
            left, top, right, _ = numbers(window["rect"])
            caption_middle = (top + numbers(window["client_origin"])[1]) // 2
            for x in range(right - 2, right - 40, -2):
                hit = desktop.facts("send", window["hwnd"], WM_NCHITTEST, 0,
                                    (caption_middle << 16) | x)
                if int(hit["result"], 16) == HTCLOSE:
                    desktop.xdotool("mousemove", x, caption_middle, "click", 1)
                    return
            self.fail("no close button found on the caption")

        for name, close in (("Esc", escape), ("Alt+F4", alt_f4), ("close button", close_button)):
            with self.subTest(close=name), Desktop() as desktop:
                program, window = self.start(desktop)
                close(desktop, window)
                self.assertEqual(program.wait_exit(60), 0)


if __name__ == "__main__":
    unittest.main()
