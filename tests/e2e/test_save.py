"""Saving the capture through the real save dialog, typed as a user types:
the exact name, the picture bytes, the remembered path, cancel, overwrite, and
the failure message."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest
from pathlib import Path

from harness import MAIN_TITLE, Desktop, indexed, numbers

WS_DISABLED = 0x08000000
SAVE_BUTTON_CENTRE = (56, 138)  # client pixels of the main window
FAILURE_TEXT = "写到文件失败，请联系管理员"
FAILURE_CAPTION = "友情提醒"
# Wine's save dialog, in English and in Chinese resources.
DIALOG_CAPTIONS = ("Save As", "另存为")


def wine_path(path):
    return "Z:" + str(path).replace("/", "\\")


def dialogs(desktop):
    """Every visible #32770 window: the probe lists the first without a
    prefix and the others as box.N."""
    facts = desktop.facts("messagebox")
    found = int(facts.get("found", "0"))
    boxes = []
    if found:
        boxes.append({k: v for k, v in facts.items() if not k.startswith("box.") and k != "found"})
        boxes.extend(indexed(facts, "box"))
    return boxes


def is_file_dialog(box):
    return box.get("text") in DIALOG_CAPTIONS


class SaveTest(unittest.TestCase):

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="tessarin-save."))
        os.chmod(self.folder, 0o777)

    def tearDown(self):
        for entry in self.folder.iterdir():
            os.chmod(entry, 0o666)
        shutil.rmtree(self.folder, ignore_errors=True)

    # -- the user's hands ----------------------------------------------------

    def start(self, desktop):
        program = desktop.start_program()
        window = desktop.wait_window(MAIN_TITLE, timeout=120)
        return program, window

    def click_save(self, desktop, window):
        x, y = numbers(window["client_origin"])
        desktop.xdotool("mousemove", x + SAVE_BUTTON_CENTRE[0], y + SAVE_BUTTON_CENTRE[1],
                        "click", "1")
        return desktop.wait_for(lambda: next(filter(is_file_dialog, dialogs(desktop)), None),
                                timeout=60, what="the save dialog")

    def file_name_box(self, desktop, dialog):
        """The text of the dialog's file name box."""
        edits = [c for c in self.descendants(desktop, dialog["hwnd"]) if c["class"] == "Edit"]
        self.assertTrue(edits, "the save dialog has no edit box")
        return edits[0]["text"]

    def descendants(self, desktop, hwnd):
        found = []
        for child in indexed(desktop.facts("children", hwnd), "child"):
            found.append(child)
            found.extend(self.descendants(desktop, child["hwnd"]))
        return found

    def type_name(self, desktop, path, replacing=False):
        if replacing:  # select what the box holds, so the typing replaces it
            desktop.xdotool("key", "End", "shift+Home")
        desktop.xdotool("type", "--delay", "20", wine_path(path))
        desktop.xdotool("key", "Return")

    def wait_dialogs_gone(self, desktop):
        desktop.wait_for(lambda: not dialogs(desktop), timeout=60, what="every dialog to close")

    def wait_file(self, desktop, path, size=None):
        def written():
            return path.exists() and (size is None or path.stat().st_size == size)
        desktop.wait_for(written, timeout=60, what=f"{path.name} to be written")

    def capture(self, desktop, start, end):
        """F2, a drag from start to end on the frozen screen, a double-click."""
        def capture_window(visible):
            for window in indexed(desktop.facts("windows"), "window"):
                if window["class"] == "TessarinWindow" and window["text"] != MAIN_TITLE:
                    return window if window["visible"] == ("1" if visible else "0") else None
            return None
        desktop.xdotool("key", "F2")
        desktop.wait_for(lambda: capture_window(True), timeout=60, what="the capture window")
        desktop.xdotool("mousemove", *start, "mousedown", "1", "mousemove", *end, "mouseup", "1")
        desktop.xdotool("click", "--repeat", "2", "--delay", "60", "1")
        desktop.wait_for(lambda: capture_window(False), timeout=60,
                         what="the capture window to hide after the capture")

    # -- the checks ------------------------------------------------------------

    def assert_bitmap(self, path, width, height):
        data = path.read_bytes()
        self.assertEqual(data[:2], b"BM")
        self.assertEqual(struct.unpack_from("<I", data, 2)[0], len(data), "bfSize is not the length")
        described = subprocess.run(["identify", "-format", "%m %w %h", str(path)],
                                   capture_output=True, text=True, check=True).stdout.split()
        self.assertIn(described[0], ("BMP", "BMP3"))  # BMP3: the 40-byte info header
        self.assertEqual(described[1:], [str(width), str(height)])

    def test_saving_before_and_after_a_capture(self):
        empty = self.folder / "before"
        picture = self.folder / "capture"  # no extension, and none may be added
        with Desktop() as desktop:
            program, window = self.start(desktop)

            # Before any capture: a 0-byte file and no message.
            dialog = self.click_save(desktop, window)
            self.assertEqual(self.file_name_box(desktop, dialog), "")
            self.type_name(desktop, empty)
            self.wait_dialogs_gone(desktop)
            self.wait_file(desktop, empty, size=0)

            # A capture of (100, 50)-(300, 150) is a 200 x 100 bitmap.
            self.capture(desktop, (100, 50), (300, 150))
            dialog = self.click_save(desktop, window)
            self.assertEqual(self.file_name_box(desktop, dialog), "before")
            self.type_name(desktop, picture, replacing=True)
            self.wait_dialogs_gone(desktop)
            self.wait_file(desktop, picture)
            self.assertEqual(sorted(p.name for p in self.folder.iterdir()), ["before", "capture"])
            self.assert_bitmap(picture, 200, 100)
            saved = picture.read_bytes()

            # The next dialog starts from that path; cancelling changes nothing.
            dialog = self.click_save(desktop, window)
            self.assertEqual(self.file_name_box(desktop, dialog), "capture")
            desktop.xdotool("key", "Escape")
            self.wait_dialogs_gone(desktop)
            self.assertEqual(sorted(p.name for p in self.folder.iterdir()), ["before", "capture"])
            self.assertEqual(empty.stat().st_size, 0)

            # An existing name asks first; refusing keeps the dialog open.
            dialog = self.click_save(desktop, window)
            self.type_name(desktop, empty, replacing=True)
            prompt = desktop.wait_for(
                lambda: next((b for b in dialogs(desktop) if not is_file_dialog(b)), None),
                timeout=60, what="the overwrite prompt")
            self.assertEqual(prompt["owner"], dialog["hwnd"])
            no_buttons = [b for b in indexed(prompt, "button") if b["id"] == "7"]  # IDNO
            self.assertTrue(no_buttons, prompt)
            desktop.probe("send", prompt["hwnd"], "0x111", "7")  # WM_COMMAND IDNO
            def only_the_dialog():
                boxes = dialogs(desktop)
                return len(boxes) == 1 and is_file_dialog(boxes[0])
            desktop.wait_for(only_the_dialog, timeout=60,
                             what="the prompt to close and the dialog to stay")
            self.assertEqual(empty.stat().st_size, 0)
            # Agreeing replaces the file completely.
            self.type_name(desktop, empty, replacing=True)
            desktop.wait_for(lambda: any(not is_file_dialog(b) for b in dialogs(desktop)),
                             timeout=60, what="the overwrite prompt again")
            desktop.xdotool("key", "Return")  # Yes is the default button
            self.wait_dialogs_gone(desktop)
            self.wait_file(desktop, empty, size=len(saved))
            self.assertEqual(empty.read_bytes(), saved)
            self.assertTrue(program.running())

    def test_failed_write_shows_the_failure_message(self):
        locked = self.folder / "locked.bmp"
        locked.write_bytes(b"kept as it was")
        os.chmod(locked, 0o444)  # Wine shows a file without write permission as read-only
        with Desktop() as desktop:
            program, window = self.start(desktop)
            self.click_save(desktop, window)
            self.type_name(desktop, locked)
            desktop.wait_for(lambda: any(not is_file_dialog(b) for b in dialogs(desktop)),
                             timeout=60, what="the overwrite prompt")
            desktop.xdotool("key", "Return")

            def failure_box():
                boxes = [b for b in dialogs(desktop) if b.get("text") == FAILURE_CAPTION]
                return boxes[0] if boxes else None
            box = desktop.wait_for(failure_box, timeout=60, what="the failure message")
            self.assertEqual(box["message"], FAILURE_TEXT)
            self.assertEqual(box["icon"], "1")  # MB_ICONHAND
            self.assertEqual(box["buttons"], "1")  # MB_OK
            self.assertEqual(box["owner"], "0x0")
            # MB_TASKMODAL: the program's windows are disabled while it is open.
            main = desktop.facts("window", MAIN_TITLE)
            self.assertTrue(int(main["style"], 16) & WS_DISABLED, main["style"])
            desktop.xdotool("key", "Return")
            self.wait_dialogs_gone(desktop)
            self.assertEqual(locked.read_bytes(), b"kept as it was")
            self.assertEqual(sorted(p.name for p in self.folder.iterdir()), ["locked.bmp"])
            main = desktop.facts("window", MAIN_TITLE)
            self.assertFalse(int(main["style"], 16) & WS_DISABLED)
            self.assertTrue(program.running())


if __name__ == "__main__":
    unittest.main()
