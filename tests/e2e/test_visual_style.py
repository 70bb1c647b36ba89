"""The main window's buttons and check box as the olive visual style draws them:
from the very first paint, and when a button is pressed or a control takes
the keyboard focus."""

import unittest

from harness import MAIN_TITLE, Desktop, indexed, numbers

BUTTON_FRAME = (55, 98, 6)
BOX_FRAME = (24, 81, 132)
BOX_SIZE = 13
BM_SETSTATE = 0x00F3

# Outer rectangles in the main window's client area.
START = (14, 8, 94, 40)
SAVE = (16, 122, 96, 154)
HIDE_WINDOW = (16, 69, 96, 93)
# The main window's outer rectangle on a 1920 x 1080 screen.
MAIN_RECT = (752, 391, 1168, 689)


def top_row(picture, rect):
    """The colours along a control's top edge, its corner pixels left out."""
    left, top, right, _ = rect
    return {picture.pixel(x, top) for x in range(left + 2, right - 2)}


def box_frame(picture, rect):
    """The colours of the check box's 13 x 13 box edges (box on the left, centred)."""
    left, top, _, bottom = rect
    box_top = top + (bottom - top - BOX_SIZE) // 2
    edge = set()
    for i in range(BOX_SIZE):
        edge |= {picture.pixel(left + i, box_top), picture.pixel(left + i, box_top + BOX_SIZE - 1),
                 picture.pixel(left, box_top + i), picture.pixel(left + BOX_SIZE - 1, box_top + i)}
    return edge


def offset(rect, dx, dy):
    left, top, right, bottom = rect
    return (left + dx, top + dy, right + dx, bottom + dy)


class VisualStyleTest(unittest.TestCase):

    def test_buttons_and_check_box_are_restyled_from_the_first_paint(self):
        with Desktop() as desktop:
            desktop.start_program()
            left, top, right, bottom = MAIN_RECT
            # Every look of the window's area from the start, until both buttons
            # show the style; judged once the client origin is known.
            looks = []

            def styled_frames_shown():
                looks.append(desktop.screen_picture().crop(left, top, right, bottom))
                counts = looks[-1].colours()
                # Each control reaches the screen in one copy, so both button
                # frames (about 220 pixels each) and the box's show together.
                return (counts.get(BUTTON_FRAME, 0) > 420
                        and counts.get(BOX_FRAME, 0) >= 4 * (BOX_SIZE - 1))
            desktop.wait_for(styled_frames_shown, timeout=120, what="the olive button frames")

            window = desktop.wait_window(MAIN_TITLE)
            origin_x, origin_y = numbers(window["client_origin"])
            dx, dy = origin_x - left, origin_y - top
            for index, look in enumerate(looks):
                for name, rect in (("start", START), ("save", SAVE)):
                    row = top_row(look, offset(rect, dx, dy))
                    # A row of one colour is a painted edge; the screen's own
                    # background is a fine pattern of two.
                    if len(row) == 1 and row != {BUTTON_FRAME}:
                        colour = next(iter(row))
                        self.assertEqual(colour, look.pixel(dx + 104, dy + 100),
                                         f"{name} button drawn with a {colour} top edge "
                                         f"in look {index} of {len(looks)}")

            final = looks[-1]
            for name, rect in (("start", START), ("save", SAVE)):
                self.assertEqual(top_row(final, offset(rect, dx, dy)), {BUTTON_FRAME}, name)
            self.assertEqual(box_frame(final, offset(HIDE_WINDOW, dx, dy)), {BOX_FRAME})

    def test_pressed_and_focused_controls_change_their_look_but_not_their_frame(self):
        with Desktop() as desktop:
            desktop.start_program()
            window = desktop.wait_window(MAIN_TITLE, timeout=120)
            origin_x, origin_y = numbers(window["client_origin"])
            children = indexed(desktop.facts("children", window["hwnd"]), "child")
            by_text = {child["text"]: child for child in children}
            rects = {"F2/开始截图": START, "保存到本地": SAVE, "隐藏窗口": HIDE_WINDOW}

            def area(picture, rect):
                return picture.crop(*offset(rect, origin_x, origin_y))

            def frame_is_styled(picture, text):
                rect = offset(rects[text], origin_x, origin_y)
                if text == "隐藏窗口":
                    return box_frame(picture, rect) == {BOX_FRAME}
                return top_row(picture, rect) == {BUTTON_FRAME}

            screens = []

            def settled():
                screens.append(desktop.screen_picture())
                return (len(screens) > 1 and screens[-1].data == screens[-2].data
                        and all(frame_is_styled(screens[-1], text) for text in rects))
            desktop.wait_for(settled, timeout=60, what="the restyled window to settle")
            at_rest = screens[-1]

            def wait_for_screen(predicate, what):
                def check():
                    screen = desktop.screen_picture()
                    return screen if predicate(screen) else None
                return desktop.wait_for(check, timeout=60, what=what)

            def looks_as_at_rest(screen, rect):
                return area(screen, rect).data == area(at_rest, rect).data

            # Pressed: the save button is held down (as the mouse would) and let go.
            save = by_text["保存到本地"]
            desktop.probe("send", save["hwnd"], BM_SETSTATE, 1, 0)
            pressed = wait_for_screen(lambda s: not looks_as_at_rest(s, SAVE),
                                      "the save button to look pressed")
            self.assertTrue(frame_is_styled(pressed, "保存到本地"), "pressed button lost its frame")
            desktop.probe("send", save["hwnd"], BM_SETSTATE, 0, 0)
            wait_for_screen(lambda s: looks_as_at_rest(s, SAVE), "the save button to look released")

            # Focused: Tab moves the keyboard focus to another control, which
            # changes its look and keeps its frame.
            before = desktop.facts("focus").get("focus", "")

            def focus_moved():
                facts = desktop.facts("focus")
                return facts if facts.get("focus") not in ("", before) else None
            desktop.xdotool("key", "Tab")
            focused = desktop.wait_for(focus_moved, timeout=60, what="Tab to move the focus")
            text = focused.get("focus.text", "")
            self.assertIn(text, rects, f"focus went to {focused}")
            screen = wait_for_screen(lambda s: not looks_as_at_rest(s, rects[text]),
                                     f"{text} to look focused")
            self.assertTrue(frame_is_styled(screen, text), f"focused {text} lost its frame")


if __name__ == "__main__":
    unittest.main()
