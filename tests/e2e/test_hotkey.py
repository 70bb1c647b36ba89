"""F2 as a user presses it: over another program, with the main window
minimised, with modifier keys, twice, after the capture window was closed; a
second copy of the program that cannot have F2; and one whole run from F2 to
a saved file."""

import struct
import tempfile
import unittest
from pathlib import Path

from capture_steps import SAVE_BUTTON, CaptureRun, known_picture, with_outline, write_ppm
from harness import MAIN_TITLE, Desktop, indexed, numbers, wine_prefix

WIDTH, HEIGHT = 1920, 1080
ELSEWHERE = (960, 1000)
START, END = (100, 50), (300, 150)
WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020
SC_RESTORE = 0xF120
# A free spot of the main window's client area: clicking it only activates.
MAIN_FREE_SPOT = (50, 200, 51, 201)


class HotkeyTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="tessarin-hotkey.")
        cls.known = known_picture(WIDTH, HEIGHT)
        cls.known_path = write_ppm(Path(cls.folder.name) / "known.ppm", cls.known)
        cls.outlined = with_outline(cls.known, *START, *END)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def press_f2_and_see_capture(self, run, keys="F2"):
        run.desktop.xdotool("key", keys)
        window = run.wait_capture_window(visible=True, what=f"{keys} to show the capture window")
        run.assert_covers_screen(window)
        return window

    def assert_no_capture_after(self, run, keys):
        self.assertFalse(run.shows_capture_after(lambda: run.desktop.xdotool("key", keys)),
                         f"{keys} showed the capture window")

    def focus_window(self, desktop, window):
        """Clicks inside a top-level window and waits until it is the foreground."""
        left, top, right, bottom = numbers(window["rect"])
        desktop.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2, "click", 1)
        desktop.wait_for(lambda: desktop.facts("focus").get("foreground") == window["hwnd"],
                         timeout=60, what=f"{window['class']} to be the foreground window")

    def test_f2_from_anywhere_and_only_f2(self):
        with Desktop(WIDTH, HEIGHT) as desktop:
            desktop.cover(self.known_path)
            run = CaptureRun(self, desktop, self.known)

            # Another (Windows) program has the focus: Wine reports keys only
            # while one of its own windows has the X focus.
            notepad_process = desktop.start_program(
                exe=wine_prefix() / "drive_c" / "windows" / "notepad.exe")
            notepad = desktop.wait_for(
                lambda: (lambda f: f if f.get("found") == "1" and f.get("visible") == "1"
                         else None)(desktop.facts("window", "--class", "Notepad")),
                timeout=120, what="notepad's window")
            self.focus_window(desktop, notepad)
            with self.subTest("over another program"):
                self.press_f2_and_see_capture(run)
                # Notepad and the main window lie under it: the screen is
                # the frozen one.
                run.wait_screen(self.known, "the frozen screen over notepad")

            with self.subTest("F2 while the capture window is shown"):
                desktop.xdotool("key", "F2")
                run.drag(START, END)
                run.wait_screen(self.outlined, "the outline on the same frozen screen")
                window = run.capture_window()
                self.assertEqual(window["visible"], "1")
                run.double_click(ELSEWHERE)
                run.wait_capture_window(visible=False)

            with self.subTest("main window minimised"):
                desktop.probe("send", run.main["hwnd"], WM_SYSCOMMAND, SC_MINIMIZE)
                desktop.wait_for(
                    lambda: desktop.facts("window", "--hwnd", run.main["hwnd"])["iconic"] == "1",
                    timeout=60, what="the main window to be minimised")
                self.focus_window(desktop, notepad)
                self.press_f2_and_see_capture(run)
                run.wait_screen(self.outlined, "the frozen screen with the main window minimised")
                run.double_click(ELSEWHERE)
                run.wait_capture_window(visible=False)
                desktop.probe("send", run.main["hwnd"], WM_SYSCOMMAND, SC_RESTORE)
                desktop.wait_for(
                    lambda: desktop.facts("window", "--hwnd", run.main["hwnd"])["iconic"] == "0",
                    timeout=60, what="the main window to be restored")

            self.focus_window(desktop, run.main)
            for keys in ("ctrl+F2", "shift+F2", "alt+F2", "super+F2"):
                with self.subTest(keys):
                    self.assert_no_capture_after(run, keys)

            with self.subTest("after Esc"):
                hwnd = self.press_f2_and_see_capture(run)["hwnd"]
                desktop.xdotool("key", "Escape")
                desktop.wait_for(lambda: desktop.facts("window", "--hwnd", hwnd)["found"] == "0",
                                 timeout=60, what="the capture window to be destroyed")
                self.focus_window(desktop, run.main)
                self.assert_no_capture_after(run, "F2")
                self.assertTrue(run.program.running())
            notepad_process.end()
            run.close()

    def test_second_copy_runs_without_f2(self):
        with Desktop(WIDTH, HEIGHT) as desktop:
            first = CaptureRun(self, desktop, None)
            second_program = desktop.start_program()

            def failure_box():
                facts = desktop.facts("messagebox")
                return facts if facts["found"] == "1" else None
            box = desktop.wait_for(failure_box, timeout=120, what="the failure message")
            self.assertEqual(box["text"], "信息：")
            self.assertEqual(box["message"], "注册热键失败，请重试！")
            self.assertEqual(box["icon"], "0")
            self.assertEqual(box["buttons"], "1")
            self.assertEqual(box["button.0.id"], "1")  # IDOK
            self.assertNotEqual(box["pid"], first.pid)
            # Shown before the second copy's main window.
            mains = [w for w in indexed(desktop.facts("windows"), "window")
                     if w["text"] == MAIN_TITLE and w["visible"] == "1"]
            self.assertEqual([w["hwnd"] for w in mains], [first.main["hwnd"]])

            ok = [c for c in indexed(desktop.facts("children", box["hwnd"]), "child")
                  if c["hwnd"] == box["button.0.hwnd"]][0]
            origin = numbers(box["client_origin"])
            left, top, right, bottom = numbers(ok["rect"])
            desktop.xdotool("mousemove", origin[0] + (left + right) // 2,
                            origin[1] + (top + bottom) // 2, "click", 1)

            second = CaptureRun(self, desktop, None, program=second_program,
                                others=[first.main["hwnd"]])
            self.assertEqual(second.pid, box["pid"])
            # Its start button works: its own capture window shows.
            second.click_start()
            second.wait_capture_window(visible=True)
            second.double_click(ELSEWHERE)
            second.wait_capture_window(visible=False)
            # F2 still goes to the first copy.
            self.press_f2_and_see_capture(first)
            window = second.capture_window()
            self.assertEqual(window["visible"], "0")
            first.double_click(ELSEWHERE)
            first.wait_capture_window(visible=False)
            second.close()
            first.close()

    def test_whole_run_from_f2_to_a_saved_file(self):
        with Desktop(WIDTH, HEIGHT) as desktop:
            desktop.cover(self.known_path)
            run = CaptureRun(self, desktop, self.known)
            self.press_f2_and_see_capture(run)
            run.wait_screen(self.known, "the frozen screen")
            run.drag(START, END)
            run.double_click(ELSEWHERE)
            run.wait_capture_window(visible=False)

            run.click_client(SAVE_BUTTON)
            dialog = desktop.wait_for(
                lambda: (lambda f: f if f["found"] == "1" and f["pid"] == run.pid else None)(
                    desktop.facts("messagebox")),
                timeout=60, what="the save dialog")
            target = desktop.workdir / "road.bmp"
            desktop.xdotool("type", "--delay", 30, "Z:" + str(target).replace("/", "\\"))
            desktop.xdotool("key", "Return")
            desktop.wait_for(lambda: desktop.facts("window", "--hwnd", dialog["hwnd"])["found"]
                             == "0", timeout=60, what="the save dialog to close")
            self.assert_bitmap(target.read_bytes(), self.outlined.crop(*START, *END))

            run.click_client(MAIN_FREE_SPOT)
            desktop.xdotool("key", "Escape")
            self.assertEqual(run.program.wait_exit(60), 0)

    def assert_bitmap(self, data, picture):
        """`data` is a 24-bit bottom-up BMP file of exactly `picture`."""
        (magic, size, reserved1, reserved2, offset, header, width, height, planes, bits,
         compression, image_size) = struct.unpack_from("<2sIHHIIiiHHII", data)
        row = (width * 24 + 31) // 32 * 4
        self.assertEqual((magic, size, reserved1, reserved2, offset, header),
                         (b"BM", len(data), 0, 0, 54, 40))
        self.assertEqual((width, height, planes, bits, compression),
                         (picture.width, picture.height, 1, 24, 0))
        self.assertEqual(image_size, row * height)
        self.assertEqual(len(data), 54 + row * height)
        for y in range(height):
            start = 54 + (height - 1 - y) * row
            stored = data[start:start + width * 3]
            rgb = bytearray(len(stored))
            rgb[0::3], rgb[1::3], rgb[2::3] = stored[2::3], stored[1::3], stored[0::3]
            expected = picture.data[y * width * 3:(y + 1) * width * 3]
            self.assertEqual(bytes(rgb), expected, f"row {y} of the saved picture")


if __name__ == "__main__":
    unittest.main()
