"""A user's steps through a capture, shared by the capture and hotkey tests:
a known picture on the screen, the main window's buttons, the capture window
as Win32 reports it, a drag and a double-click on the frozen screen, and what
the result canvas then shows."""

from harness import MAIN_TITLE, Picture, indexed, numbers

RED = (255, 0, 0)
WS_EX_TOPMOST = 0x00000008

# Client-area places on the main window (outer rectangles of its units).
START_BUTTON = (14, 8, 94, 40)
HIDE_CHECK_BOX = (16, 69, 96, 93)
SAVE_BUTTON = (16, 122, 96, 154)
RESULT_CANVAS = (112, 8, 404, 266)
# The credit overlaps the canvas down to client row 24; below it the canvas
# shows nothing but its own colour and picture.
CANVAS_FREE_TOP = 24


def known_picture(width, height):
    """Different in every row and column and never pure red, so a shifted
    copy, a missing outline or a stray red pixel shows. 8 bits a channel, so
    a 24-bit screen holds it exactly."""
    low = bytes(x & 0xFF for x in range(width))
    high = [0x80 | (x >> 8) for x in range(width)]
    data = bytearray(width * height * 3)
    row_length = width * 3
    for y in range(height):
        row = bytearray(row_length)
        row[0::3] = low
        row[1::3] = bytes([y & 0xFF]) * width
        row[2::3] = bytes(h | ((y >> 8) << 3) for h in high)
        data[y * row_length:(y + 1) * row_length] = row
    return Picture(width, height, bytes(data))


def write_ppm(path, picture):
    path.write_bytes(picture.to_ppm())
    return path


def with_outline(picture, left, top, right, bottom):
    """`picture` with a one-pixel red outline on columns left..right-1 and
    rows top..bottom-1 (corners ordered as the selection orders them)."""
    left, right = sorted((left, right))
    top, bottom = sorted((top, bottom))
    if right <= left or bottom <= top:
        return picture
    data = bytearray(picture.data)

    def paint(x, y):
        i = (y * picture.width + x) * 3
        data[i:i + 3] = bytes(RED)
    for x in range(left, right):
        paint(x, top)
        paint(x, bottom - 1)
    for y in range(top, bottom):
        paint(left, y)
        paint(right - 1, y)
    return Picture(picture.width, picture.height, bytes(data))


def differences(actual, expected, limit=5):
    """A short description of where two equally sized pictures differ, or ''."""
    if (actual.width, actual.height) != (expected.width, expected.height):
        return (f"size {actual.width}x{actual.height}, expected "
                f"{expected.width}x{expected.height}")
    if actual.data == expected.data:
        return ""
    found = []
    count = 0
    left = top = 1 << 30
    right = bottom = -1
    for y in range(actual.height):
        start = y * actual.width * 3
        row_a = actual.data[start:start + actual.width * 3]
        row_e = expected.data[start:start + expected.width * 3]
        if row_a == row_e:
            continue
        for x in range(actual.width):
            if row_a[x * 3:x * 3 + 3] != row_e[x * 3:x * 3 + 3]:
                count += 1
                left, top = min(left, x), min(top, y)
                right, bottom = max(right, x), max(bottom, y)
                if len(found) < limit:
                    found.append(f"({x},{y}) {tuple(row_a[x * 3:x * 3 + 3])} != "
                                 f"{tuple(row_e[x * 3:x * 3 + 3])}")
    return (f"{count} pixels differ within ({left},{top})-({right},{bottom}): "
            + "; ".join(found))


def paste(base, picture, left, top):
    """`base` with `picture` laid over it at (left, top)."""
    data = bytearray(base.data)
    for y in range(picture.height):
        source = picture.data[y * picture.width * 3:(y + 1) * picture.width * 3]
        at = ((top + y) * base.width + left) * 3
        data[at:at + len(source)] = source
    return Picture(base.width, base.height, bytes(data))


def centred_offset(canvas_size, picture_size):
    """Where the result canvas puts a picture that fits: halves rounded down."""
    return tuple((c - p) // 2 for c, p in zip(canvas_size, picture_size))


class CaptureRun:
    """One run of the program on a Desktop whose screen shows `screen`."""

    def __init__(self, test, desktop, screen, program=None, others=()):
        """Starts the program (or takes one already started) and waits for its
        main window; `others` are main windows of copies already running."""
        self.test, self.desktop, self.screen = test, desktop, screen
        self.program = program or desktop.start_program()
        self.main = self._wait_main_window(set(others))
        self.pid = self.main["pid"]
        self.origin = numbers(self.main["client_origin"])
        self.empty_canvas = None

    def _wait_main_window(self, others):
        def shown():
            if not self.program.running():
                raise AssertionError("the program ended during start-up:\n" + self.program.log())
            mine = [w for w in indexed(self.desktop.facts("windows"), "window")
                    if w["text"] == MAIN_TITLE and w["hwnd"] not in others]
            self.test.assertLessEqual(len(mine), 1, mine)
            return mine[0] if mine and mine[0]["visible"] == "1" else None
        return self.desktop.wait_for(shown, timeout=120, what="the main window")

    # -- windows as Win32 reports them -----------------------------------------

    def capture_window(self):
        """Facts of this run's capture window (the untitled top-level window of
        the program's class), or None once it is gone."""
        windows = indexed(self.desktop.facts("windows"), "window")
        mine = [w for w in windows if w["pid"] == self.pid and w["class"] == self.main["class"]
                and w["hwnd"] != self.main["hwnd"]]
        self.test.assertLessEqual(len(mine), 1, f"more than one capture window: {mine}")
        return mine[0] if mine else None

    def wait_capture_window(self, visible, what=None):
        def state():
            window = self.capture_window()
            shown = window is not None and window["visible"] == "1"
            return window if shown == visible and window is not None else None
        return self.desktop.wait_for(
            state, timeout=60,
            what=what or f"the capture window to be {'shown' if visible else 'hidden'}")

    def assert_covers_screen(self, window):
        self.test.assertEqual(numbers(window["rect"]),
                              (0, 0, self.desktop.width, self.desktop.height))
        self.test.assertTrue(int(window["exstyle"], 16) & WS_EX_TOPMOST,
                             f"not topmost: exstyle {window['exstyle']}")

    def capture_label(self):
        """The capture window's hidden label: the frame of the captured area."""
        window = self.capture_window()
        children = indexed(self.desktop.facts("children", window["hwnd"]), "child")
        labels = [c for c in children if c["class"].lower() == "static"]
        self.test.assertEqual(len(labels), 1, children)
        return labels[0]

    def check_box_checked(self):
        children = indexed(self.desktop.facts("children", self.main["hwnd"]), "child")
        boxes = [c for c in children if c["text"] == "隐藏窗口"]
        self.test.assertEqual(len(boxes), 1, children)
        return boxes[0]["checked"] == "1"

    # -- the user's hands ---------------------------------------------------------

    def click_client(self, rect, dx=None, dy=None):
        left, top, right, bottom = rect
        x = self.origin[0] + left + (dx if dx is not None else (right - left) // 2)
        y = self.origin[1] + top + (dy if dy is not None else (bottom - top) // 2)
        self.desktop.xdotool("mousemove", x, y, "click", 1)

    def click_start(self):
        self.click_client(START_BUTTON)

    def shows_capture_after(self, action):
        """Runs `action` (the user's keys or clicks), then clicks the hide-window
        check box. Input is handled in order, so once the box has flipped, or
        the capture window has come up in its way, the action has been handled:
        returns whether the capture window is shown."""
        before = self.check_box_checked()
        action()
        self.click_client(HIDE_CHECK_BOX, dx=6)

        def settled():
            window = self.capture_window()
            if window is not None and window["visible"] == "1":
                return "capture window shown"
            return "check box flipped" if self.check_box_checked() != before else None
        outcome = self.desktop.wait_for(settled, timeout=60, what="the input to be handled")
        return outcome == "capture window shown"

    def drag(self, start, end):
        self.desktop.xdotool("mousemove", *start, "mousedown", 1,
                             "mousemove", *end, "mouseup", 1)

    def double_click(self, at):
        self.desktop.xdotool("mousemove", *at, "click", "--repeat", 2, "--delay", 60, 1)

    # -- what the screen shows ------------------------------------------------------

    def wait_screen(self, expected, what, left=0, top=0):
        """Waits until the screen at (left, top) shows `expected`; on timeout
        fails with where the last screen differed."""
        last = [None]

        def shows():
            screen = self.desktop.screen_picture().crop(left, top, left + expected.width,
                                                        top + expected.height)
            last[0] = screen
            return screen.data == expected.data
        try:
            self.desktop.wait_for(shows, timeout=60, what=what)
        except AssertionError as error:
            raise AssertionError(f"{error}: {differences(last[0], expected)}") from None

    def canvas_rect_on_screen(self):
        left, _, right, bottom = RESULT_CANVAS
        return (self.origin[0] + left, self.origin[1] + CANVAS_FREE_TOP,
                self.origin[0] + right, self.origin[1] + bottom)

    def canvas_on_screen(self):
        return self.desktop.screen_picture().crop(*self.canvas_rect_on_screen())

    def remember_empty_canvas(self):
        """The result canvas before any capture: one plain colour."""
        self.empty_canvas = self.desktop.wait_for(self._settled_canvas, timeout=60,
                                                  what="the empty result canvas")
        colours = self.empty_canvas.colours()
        self.test.assertEqual(len(colours), 1, f"the empty canvas is not plain: {colours}")

    def _settled_canvas(self):
        first = self.canvas_on_screen()
        second = self.canvas_on_screen()
        return first if first.data == second.data and len(first.colours()) == 1 else None

    def expected_canvas(self, picture):
        """The visible part of the result canvas showing `picture` (one that fits)."""
        left, top, right, bottom = RESULT_CANVAS
        x, y = centred_offset((right - left, bottom - top), (picture.width, picture.height))
        return paste(self.empty_canvas, picture, x, y - (CANVAS_FREE_TOP - top))

    def wait_canvas_shows(self, picture, what):
        left, top, _, _ = self.canvas_rect_on_screen()
        self.wait_screen(self.expected_canvas(picture), what, left, top)

    def wait_canvas_changed(self):
        return self.desktop.wait_for(
            lambda: (lambda now: now if now.data != self.empty_canvas.data else None)(
                self.canvas_on_screen()),
            timeout=60, what="the result canvas to show a picture")

    # -- the end of a run ---------------------------------------------------------

    def close(self):
        """Closes the main window as the window menu would; the run must end with 0."""
        self.desktop.probe("send", self.main["hwnd"], 0x0010)  # WM_CLOSE
        self.test.assertEqual(self.program.wait_exit(60), 0)
