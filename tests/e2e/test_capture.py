"""The capture as a user makes it: a known picture covers the screen, the
start button shows the frozen screen, a drag draws the red outline on it and a
double-click puts the framed area into the main window's result canvas. Each
run of the program allows one selection, so each case starts the program
afresh on one shared screen."""

import tempfile
import unittest
from pathlib import Path

from capture_steps import RED, CaptureRun, known_picture, with_outline, write_ppm
from harness import Desktop, numbers

WIDTH, HEIGHT = 1920, 1080
# Far from the selections below and from the main window in the middle of
# the screen: where the double-clicks of the tests land.
ELSEWHERE = (960, 1000)


class CaptureTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="tessarin-capture.")
        cls.known = known_picture(WIDTH, HEIGHT)
        cls.known_path = write_ppm(Path(cls.folder.name) / "known.ppm", cls.known)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def start_covered(self, desktop):
        """A run started while the known picture covers the screen, with the
        capture window on screen and checked against the frozen screen."""
        run = CaptureRun(self, desktop, self.known)
        run.remember_empty_canvas()
        run.click_start()
        window = run.wait_capture_window(visible=True)
        run.assert_covers_screen(window)
        # The main window lies in the middle of the screen: only a backdrop
        # taken before it showed, drawn over it, gives the known picture back.
        run.wait_screen(self.known, "the frozen screen without the program's windows")
        return run

    def test_capture_of_a_dragged_area_and_what_follows_it(self):
        start, end = (100, 50), (300, 150)
        outlined = with_outline(self.known, *start, *end)
        area = outlined.crop(*start, *end)
        with Desktop(WIDTH, HEIGHT) as desktop:
            desktop.cover(self.known_path)
            run = self.start_covered(desktop)

            run.drag(start, end)
            run.wait_screen(outlined, "the red outline on the frozen screen")
            run.double_click(ELSEWHERE)
            run.wait_capture_window(visible=False)
            run.wait_canvas_shows(area, "the 200x100 area with its outline on the result canvas")
            self.assertEqual(numbers(run.capture_label()["rect"]), (*start, *end))

            # A new start shows the same frozen screen with the first outline;
            # a later drag inside the area draws nothing and moves nothing, so
            # the next capture is the same picture.
            with self.subTest("second capture"):
                run.click_start()
                run.wait_capture_window(visible=True)
                run.wait_screen(outlined, "the first outline after a new start")
                run.drag((150, 70), (250, 130))
                run.drag((400, 300), (20, 10))
                run.double_click(ELSEWHERE)
                run.wait_capture_window(visible=False)
                run.wait_canvas_shows(area, "the same picture after the second capture")
                self.assertEqual(numbers(run.capture_label()["rect"]), (*start, *end))
                run.click_start()
                run.wait_capture_window(visible=True)
                run.wait_screen(outlined, "the frozen screen with only the first outline")

            # Esc closes the capture window for good; the start button then
            # shows nothing, and the main window keeps its picture.
            with self.subTest("Esc"):
                hwnd = run.capture_window()["hwnd"]
                desktop.xdotool("key", "Escape")
                desktop.wait_for(lambda: desktop.facts("window", "--hwnd", hwnd)["found"] == "0",
                                 timeout=60, what="the capture window to be destroyed")
                self.assertFalse(run.shows_capture_after(run.click_start),
                                 "the start button showed a closed capture window")
                run.wait_canvas_shows(area, "the picture kept after Esc")
                self.assertTrue(run.program.running())
            run.close()

    def test_selections_made_by_other_gestures(self):
        box = ((100, 50), (300, 150))
        cases = [
            # (gesture, start, end, outline drawn on the frozen screen,
            #  colour of the 1x1 picture: None for the platform's colour of an
            #  empty area)
            ("reverse drag", (300, 150), (100, 50), box, None),
            ("end left of start", (300, 50), (100, 150), box, None),
            ("end above start", (100, 150), (300, 50), box, None),
            ("press and release at one point", (200, 100), (200, 100), None, None),
            # The outline of a 1x1 area is its one pixel.
            ("one pixel right and below", (200, 100), (201, 101), ((200, 100), (201, 101)), RED),
        ]
        with Desktop(WIDTH, HEIGHT) as desktop:
            desktop.cover(self.known_path)
            for gesture, start, end, outline, colour in cases:
                with self.subTest(gesture):
                    run = self.start_covered(desktop)
                    try:
                        self.check_gesture(run, start, end, outline, colour)
                    finally:
                        run.close()

    def check_gesture(self, run, start, end, outline, colour):
        shown = with_outline(self.known, *outline[0], *outline[1]) if outline else self.known
        run.drag(start, end)
        run.double_click(ELSEWHERE)
        run.wait_capture_window(visible=False)
        # The frame sits at the start point; a size that would be negative is 0.
        size = (max(end[0] - start[0], 0), max(end[1] - start[1], 0))
        self.assertEqual(numbers(run.capture_label()["rect"]),
                         (*start, start[0] + size[0], start[1] + size[1]))
        canvas = run.wait_canvas_changed()
        self.assert_one_pixel_picture(run, canvas, colour)
        run.click_start()
        run.wait_capture_window(visible=True)
        run.wait_screen(shown, "the outline the gesture drew")

    def assert_one_pixel_picture(self, run, canvas, colour):
        """The canvas shows a single pixel at the middle (the 1x1 picture,
        centred on the 292x258 canvas at (145, 128)); `colour` None means the
        platform's colour for an empty area, which must still show."""
        changed = [(x, y) for y in range(canvas.height) for x in range(canvas.width)
                   if canvas.pixel(x, y) != run.empty_canvas.pixel(x, y)]
        middle = (145, 128 - 16)  # the canvas is read from client row 24
        self.assertEqual(changed, [middle])
        if colour is not None:
            self.assertEqual(canvas.pixel(*middle), colour,
                             "the 1x1 picture does not carry the outline's pixel")


if __name__ == "__main__":
    unittest.main()
