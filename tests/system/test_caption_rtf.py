"""Captions as WordPad and Word write them, shown over a plain grey picture on an 800 x 600
board: tables at their cell widths, pictures in their colours, WordPad's bullet lists and
tab-aligned columns. Each caption is drawn at its natural size (the picture is as wide as the
window), 96 pixels to the inch: 15 twips to the pixel."""

import io

import pytest
from PIL import Image

import harness
from playlist_support import caption_events, make_playlist_board, solid

WIDTH, HEIGHT = 800, 600
GREY = (200, 200, 200)

HEADER = ("{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 DejaVu Sans;}"
          "{\\f1\\fnil\\fcharset2 Symbol;}}\r\n{\\colortbl ;\\red0\\green0\\blue0;}\r\n"
          "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n")


@pytest.fixture
def screen(tmp_root):
    with harness.Xvfb(tmp_root, WIDTH, HEIGHT) as x:
        yield x


def is_dark(rgb):
    return max(rgb[:3]) < 100


def dark_runs(shot, box, axis):
    """Runs of rows (axis 1) or columns (axis 0) of `box` that hold dark pixels, as (start, end)."""
    left, top, right, bottom = box
    region = shot.crop(box).convert("L").point(lambda v: 255 if v < 100 else 0)
    w, h = region.size
    data = region.load()
    if axis == 1:
        hits = [any(data[x, y] for x in range(w)) for y in range(h)]
        offset = top
    else:
        hits = [any(data[x, y] for y in range(h)) for x in range(w)]
        offset = left
    runs, start = [], None
    for i, hit in enumerate(hits + [False]):
        if hit and start is None:
            start = i
        elif not hit and start is not None:
            runs.append((start + offset, i + offset))
            start = None
    return runs


def show_caption(make_board, x, rtf):
    files = {"grey.png": solid((WIDTH, HEIGHT), GREY), "caption.rtf": rtf}
    items = [{"FileName": "grey.png", "AddRichText": "caption.rtf", "duration": 60000}]
    board = make_playlist_board(make_board, x, items, files)
    harness.wait_until(lambda: caption_events(board), what="the caption report")
    return board


def test_table_columns_start_at_their_cell_edges_and_27_rows_fit(screen, make_board):
    # As Word writes a two-column table: \trleft-108 puts the first cell's text on the margin,
    # \trgaph108 keeps each cell's text 108 twips from its left edge; the second cell starts at
    # \cellx2880 = 192 px, its text at 192 + 7.2 px.
    rows = "".join(f"\\trowd\\trgaph108\\trleft-108\\cellx2880\\cellx5760\\pard\\intbl\\cf1\\f0\\fs24 "
                   f"Item {n}\\cell 8.{n:02d}\\cell\\row\r\n" for n in range(1, 28))
    rtf = ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 DejaVu Sans;}}"
           "{\\colortbl;\\red0\\green0\\blue0;}\r\n" + rows + "\\pard\\par\r\n}\r\n")
    show_caption(make_board, screen, rtf)

    def problems(shot):
        right_column = dark_runs(shot, (150, 0, 400, HEIGHT), axis=0)
        if not right_column:
            return "no second column"
        if not 196 <= right_column[0][0] <= 208:
            return f"the second column starts at x={right_column[0][0]}, not at 199"
        first_column = dark_runs(shot, (0, 0, 150, HEIGHT), axis=0)
        if not first_column or first_column[0][0] > 6:
            return f"the first column's text is not on the margin: {first_column[:1]}"
        lines = dark_runs(shot, (190, 0, 400, HEIGHT), axis=1)
        if len(lines) != 27:
            return f"{len(lines)} rows in the second column, not 27: {lines}"
        return None
    shot = harness.wait_for_screen(screen, problems)
    lines = dark_runs(shot, (0, 0, 150, HEIGHT), axis=1)
    assert len(lines) == 27 and lines[-1][1] < HEIGHT, lines  # every row on screen, once


def test_a_caption_picture_shows_its_colours(screen, make_board):
    # A logo pasted into WordPad: PNG data in hex, shown at \picwgoal x \pichgoal (200 x 100 px);
    # a JPEG beside it at five times its 20 x 10 pixels.
    logo = Image.new("RGB", (40, 20), (255, 0, 0))
    logo.paste((0, 0, 255), (20, 0, 40, 20))
    png = io.BytesIO()
    logo.save(png, "PNG")
    photo = io.BytesIO()
    Image.new("RGB", (20, 10), (0, 190, 0)).save(photo, "JPEG", quality=95)
    hexed = lambda b: "\r\n".join(b.hex()[i:i + 128] for i in range(0, len(b.hex()), 128))
    rtf = (HEADER + "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22 "
           "{\\pict{\\*\\picprop}\\pngblip\\picw40\\pich20\\picwgoal3000\\pichgoal1500\r\n"
           + hexed(png.getvalue()) + "}\\par\r\n"
           "{\\pict\\jpegblip\\picw20\\pich10\\picscalex500\\picscaley500\r\n"
           + hexed(photo.getvalue()) + "}\\par\r\n}\r\n")
    show_caption(make_board, screen, rtf)

    def red(p):
        return p[0] > 200 and p[1] < 60 and p[2] < 60

    def blue(p):
        return p[2] > 200 and p[0] < 60 and p[1] < 60

    def green(p):
        return p[1] > 150 and p[0] < 60 and p[2] < 60

    def problems(shot):
        boxes = {name: harness.find_color_bbox(shot, test) for name, test in
                 (("red", red), ("blue", blue), ("green", green))}
        if None in boxes.values():
            return f"colours missing: {boxes}"
        sizes = {name: (b[2] - b[0], b[3] - b[1]) for name, b in boxes.items()}
        want = {"red": (100, 100), "blue": (100, 100), "green": (100, 50)}
        for name, (w, h) in want.items():
            if abs(sizes[name][0] - w) > 3 or abs(sizes[name][1] - h) > 3:
                return f"{name} is {sizes[name]}, not {(w, h)}: {boxes}"
        if not (boxes["red"][2] <= boxes["blue"][0] + 1 and boxes["red"][3] <= boxes["green"][1]):
            return f"the picture's parts are out of place: {boxes}"
        return None
    harness.wait_for_screen(screen, problems)


def test_a_wordpad_bullet_list_has_a_bullet_on_every_item(screen, make_board):
    # WordPad writes the Symbol font's bullet before every item as {\pntext ...}, and the list's
    # numbering once, in {\*\pn ...}; the hanging indent (\fi-360\li720) puts the bullet at 24 px
    # and, with its tab, the item's text at 48 px.
    items = ["Bread", "Butter", "Cheese", "Apples", "Pears", "Honey"]
    body = ("\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"
            "\\fi-360\\li720\\sa200\\sl276\\slmult1\\cf1\\f0\\fs28 " + items[0] + "\\par\r\n")
    body += "".join(f"{{\\pntext\\f1\\'B7\\tab}}{item}\\par\r\n" for item in items[1:])
    show_caption(make_board, screen, HEADER + body + "\\pard\\sa200\\sl276\\slmult1\\par\r\n}\r\n")

    def problems(shot):
        bullets = dark_runs(shot, (14, 0, 42, HEIGHT), axis=1)
        if len(bullets) != len(items):
            return f"{len(bullets)} bullets, not {len(items)}: {bullets}"
        for top, bottom in bullets:
            across = dark_runs(shot, (14, top, 42, bottom), axis=0)
            if bottom - top < 4 or len(across) != 1 or across[0][1] - across[0][0] < 4:
                return f"the mark at rows {top}-{bottom} ({across}) is no bullet"
        texts = dark_runs(shot, (42, 0, 400, HEIGHT), axis=1)
        if len(texts) != len(items):
            return f"{len(texts)} items of text: {texts}"
        starts = [dark_runs(shot, (42, top, 400, bottom), axis=0)[0][0] for top, bottom in texts]
        if not all(46 <= s <= 52 for s in starts):
            return f"the items' text does not start at 48 px: {starts}"
        return None
    harness.wait_for_screen(screen, problems)


def test_tab_stops_align_columns(screen, make_board):
    # A price list written with tab stops: a left stop at 1440 twips (96 px) for the name and a
    # right-aligned stop at 4320 twips (288 px) where every price ends.
    prices = [("A", "Tea", "2.50"), ("B", "Hot chocolate", "12.00"), ("C", "Cake", "105.75")]
    body = "".join(f"\\pard\\tx1440\\tqr\\tx4320\\cf1\\f0\\fs24 {k}\\tab {name}\\tab {price}\\par\r\n"
                   for k, name, price in prices)
    show_caption(make_board, screen, HEADER + body + "}\r\n")

    def problems(shot):
        lines = dark_runs(shot, (0, 0, WIDTH, HEIGHT), axis=1)
        if len(lines) != len(prices):
            return f"{len(lines)} lines, not {len(prices)}: {lines}"
        for top, bottom in lines:
            pieces = dark_runs(shot, (0, top, WIDTH, bottom), axis=0)
            name = [p for p in pieces if 60 <= p[0] < 200]
            if not name or not 95 <= name[0][0] <= 101:
                return f"the names do not start at 96 px: {pieces}"
            if not 284 <= pieces[-1][1] <= 291:
                return f"the prices do not end at 288 px: {pieces}"
        return None
    harness.wait_for_screen(screen, problems)
