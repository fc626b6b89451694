"""The weekly timetable and the holidays seen from outside: the board blanks and comes back as
config.ini says, checked every 10 seconds while it runs.

The timetable check runs on its own fixed 10-second timer, so each test waits for up to two of
its ticks. The dates written into config.ini are the test's own "today" (the board runs with
TZ=UTC and the C locale, so month/day/year), and the hours are chosen to be open or closed at any
time of day, so nothing depends on when the test runs.
"""

import datetime
import time

from PIL import Image

import harness
from harness import wait_until

GREEN = (0, 255, 0)
TICK = 10.0
# Two ticks of the check and some room for a loaded machine.
WITHIN_A_TICK = 2 * TICK + 5


def utc_today() -> datetime.date:
    # Keep clear of midnight so the board's "today" is the one written into its file.
    now = datetime.datetime.now(datetime.timezone.utc)
    if now.hour == 23 and now.minute == 59:
        time.sleep(61 - now.second)
    return datetime.datetime.now(datetime.timezone.utc).date()


def us_date(day: datetime.date) -> str:
    return f"{day.month}/{day.day}/{day.year}"


def config(schedule="", holidays=""):
    # "SCHEDULE" and "Schedule" are one section, and only the first of two equal sections counts.
    return ("[MAIN]\nNextImageTimer=700\nNewFilesTimer=60000\n"
            "[SCHEDULE]\nEnableSchedule=1\n" + schedule + "\n[HOLIDAYS]\n" + holidays)


def picture():
    return {"a.png": Image.new("RGB", (64, 48), GREEN), "b.png": Image.new("RGB", (64, 48), GREEN)}


def items(board):
    return [l for l in board.stderr().splitlines() if l.startswith("tavorel: item: ")]


def green_pixels(shot, box):
    return harness.count_pixels(shot, lambda p: p[1] > 200 and p[0] < 60 and p[2] < 60, box)


def inner_box(box):
    return (box[0] + 1, box[1] + 1, box[2] - 1, box[3] - 1)


def wait_for_picture(board, box, timeout):
    return harness.wait_for_screen(
        board.x, lambda shot: None if green_pixels(shot, box) else "no picture on screen", timeout)


def test_a_holiday_of_today_blanks_the_board_until_it_is_removed(xvfb, make_board):
    text = "Closed for the holiday"
    board = make_board(xvfb, config(schedule=f"OffScheduleText={text}\n",
                                    holidays=f"today={us_date(utc_today())}\n"),
                       files=picture())
    box = harness.clip_box(board.geometry(), (1280, 720))
    # Before the first check the board runs as start-up left it.
    wait_for_picture(board, box, harness.DEFAULT_TIMEOUT)

    def blank_with_text(shot):
        if green_pixels(shot, box):
            return "the picture is still on screen"
        red = harness.red_bbox(shot, box)
        if red is None:
            return "no off-hours text"
        centre_x, centre_y = (red[0] + red[2]) / 2, (red[1] + red[3]) / 2
        if abs(centre_x - 640) > 8 or abs(centre_y - 360) > 8:
            return f"the text is not centred: {red}"
        if red[3] - red[1] > 16:
            return f"the text takes more than one line: {red}"
        # Everything inside the panel's one-pixel edge is black, or red (the text's edges).
        if harness.max_green_blue(shot, inner_box(box)) > 8:
            return "the panel is not black"
        return None

    harness.wait_for_screen(xvfb, blank_with_text, WITHIN_A_TICK)
    board.wait_for_stderr(f"tavorel: schedule: off: {text}")
    # The slides stand still behind the panel.
    shown = len(items(board))
    time.sleep(2.5)
    assert len(items(board)) <= shown + 1

    # A broken entry beside it: the tick ends with the error, and the board stays off.
    board.write_config(config(schedule=f"OffScheduleText={text}\n",
                              holidays=f"today={us_date(utc_today())}\nbroken=2/30/2020\n"))
    board.wait_for_stderr("'2/30/2020' is not a valid date.", timeout=WITHIN_A_TICK)
    # The error box now stands over the panel; the picture must not come back beside it.
    time.sleep(TICK / 2)
    assert green_pixels(xvfb.screenshot(), box) == 0
    assert "tavorel: schedule: on" not in board.stderr()

    board.write_config(config(schedule=f"OffScheduleText={text}\n"))
    wait_for_picture(board, box, WITHIN_A_TICK + 2)
    board.wait_for_stderr("tavorel: schedule: on")
    assert board.is_running()


def test_a_closed_day_leaves_only_a_black_window(xvfb, make_board):
    # On at the last minute and off at the first: an overnight window, so the whole day is off.
    days = "".join(f"{d}On=11:59pm\n{d}Off=12:00am\n" for d in ("Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"))
    board = make_board(xvfb, config(schedule=days), files=picture())
    box = harness.clip_box(board.geometry(), (1280, 720))
    wait_for_picture(board, box, harness.DEFAULT_TIMEOUT)

    def black(shot):
        others = harness.count_pixels(shot, lambda p: not harness.is_black(p), inner_box(box))
        return None if others == 0 else f"{others} pixels are not black"

    harness.wait_for_screen(xvfb, black, WITHIN_A_TICK)
    shown = len(items(board))
    time.sleep(2.5)
    assert len(items(board)) <= shown + 1, "the slides went on while the board was off"


def test_a_holiday_that_is_no_date_is_reported_and_changes_nothing(xvfb, make_board):
    board = make_board(xvfb, config(holidays="broken=13/45/2020\n"), files=picture())
    box = harness.clip_box(board.geometry(), (1280, 720))
    wait_for_picture(board, box, harness.DEFAULT_TIMEOUT)
    board.wait_for_stderr("'13/45/2020' is not a valid date.", timeout=WITHIN_A_TICK)
    # The board stays on: the picture is shown and the slides go on.
    shown = len(items(board))
    wait_until(lambda: len(items(board)) >= shown + 2, 10, what="further slides")
    assert "tavorel: schedule: off" not in board.stderr()
    wait_for_picture(board, box, 5)
