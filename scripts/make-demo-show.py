#!/usr/bin/env python3
"""Writes the built-in demo show into a folder: a few generated pictures, a short video clip (made
with ffmpeg, left out where ffmpeg is missing), a local web page (a .url shortcut to an HTML file in
the folder web/, which the show does not list) and a config.ini.

With --playlist the show runs in playlist mode instead: a playlist.ini gives each picture its own
time and an RTF caption drawn over it (top, centred, bottom), and one item waits for a date window
that has not opened yet.
"""
import argparse
import shutil
import subprocess
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont


def font(size):
    for name in ("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",):
        if Path(name).exists():
            return ImageFont.truetype(name, size)
    return ImageFont.load_default()


def picture(path, size, colour, title, fmt):
    image = Image.new("RGB", size, colour)
    draw = ImageDraw.Draw(image)
    w, h = size
    for i in range(0, w, 80):
        draw.line([(i, 0), (i, h)], fill=tuple(min(255, c + 40) for c in colour), width=2)
    draw.text((w // 12, h // 3), title, fill=(255, 255, 255), font=font(h // 8))
    draw.text((w // 12, h // 3 + h // 6), "Tavorel demo show", fill=(230, 230, 230), font=font(h // 16))
    image.save(path, fmt)


def caption(path, body):
    """A caption in the RTF a word processor writes: font and colour tables, then the text."""
    path.write_bytes(
        ("{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 DejaVu Sans;}"
         "{\\f1\\fnil\\fcharset0 DejaVu Serif;}}\r\n"
         "{\\colortbl ;\\red255\\green220\\blue0;\\red255\\green255\\blue255;\\red255\\green40\\blue40;"
         "\\red0\\green0\\blue0;}\r\n"
         "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n" + body + "\r\n}\r\n").encode("ascii"))


def web_page(folder, home):
    """A page made of plain HTML and CSS, shown through an Internet shortcut to its file. It is
    taller than the screen, and the demo's config.ini lets it scroll slowly down."""
    (folder / "web").mkdir(exist_ok=True)
    rows = "".join(f"<tr><td>{time}</td><td>{what}</td></tr>" for time, what in [
        ("08:00", "Doors open"), ("09:30", "Morning talk, room 2"), ("12:00", "Lunch in the garden"),
        ("14:00", "Workshop: display boards"), ("16:30", "Closing words")])
    (folder / "web" / "today.html").write_text(
        "<!DOCTYPE html>\n<html><head><meta charset='utf-8'><title>Today</title><style>\n"
        "body { margin: 0; font-family: 'DejaVu Sans', sans-serif; color: #fff;\n"
        "       background: linear-gradient(#0b3d2e, #06251c); min-height: 200vh; }\n"
        "h1 { font-size: 8vh; margin: 6vh 8vw 2vh; color: #ffd54a; }\n"
        "table { margin: 0 8vw; font-size: 5vh; border-collapse: collapse; }\n"
        "td { padding: 1.2vh 3vw 1.2vh 0; border-bottom: 2px solid #2e7d5b; }\n"
        "</style></head><body><h1>Today at the centre</h1><table>" + rows + "</table>\n"
        "<p style='margin: 4vh 8vw; font-size: 3vh'>A local web page of the Tavorel demo show.</p>\n"
        "</body></html>\n", encoding="utf-8")
    (folder / "05-today.url").write_text(
        f"[InternetShortcut]\r\nURL=file://{home}web/today.html\r\n", encoding="utf-8", newline="")


def playlist_items(folder):
    """The playlist and its captions."""
    caption(folder / "welcome.rtf",
            "\\pard\\qc\\sb200\\cf1\\b\\f0\\fs72 Good morning!\\b0\\par"
            "\\cf2\\i\\f1\\fs40 Caf\\'e9 opens at 8:00 \\endash  espresso \\u8364?2\\i0\\par")
    caption(folder / "menu.rtf",
            "\\pard\\qr\\ri400\\cf3\\highlight2\\b\\fs96 Soup of the day\\b0\\highlight0\\par"
            "\\cf2\\fs64 Tomato \\bullet  Lentil \\bullet  {\\strike Pumpkin}\\par")
    caption(folder / "small.rtf",
            "\\pard\\qc\\cf1\\b\\fs36 A small picture, its caption scaled to match\\b0\\par")
    caption(folder / "future.rtf", "\\pard\\qc\\cf3\\fs72 You should never see this\\par")
    items = [
        ("01-welcome.png", 5000, "welcome.rtf", 0, ""),
        ("02-menu.jpg", 6000, "menu.rtf", 2, ""),
        ("03-small.bmp", 4000, "small.rtf", 1, ""),
        ("04-notice.gif", None, "", 0, ""),
        # Its window has not opened: the search passes it over.
        ("01-welcome.png", 4000, "future.rtf", 0, "StartDateTime=1/1/2099\r\n"),
    ]
    lines = []
    for number, (name, duration, rtf, valign, extra) in enumerate(items, start=1):
        lines.append(f"[Item{number}]\r\nFileName={name}\r\n")
        if duration is not None:
            lines.append(f"duration={duration}\r\n")
        if rtf:
            lines.append(f"AddRichText={rtf}\r\nTextVAlign={valign}\r\n")
        lines.append(extra)
    (folder / "playlist.ini").write_text("".join(lines), encoding="utf-8", newline="")


def clip(path):
    """Four seconds of a moving test picture with a quiet tone, in H.264 and AAC."""
    if not shutil.which("ffmpeg"):
        print("make-demo-show: ffmpeg not found, the show has no video clip", file=sys.stderr)
        return
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y",
                    "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=4",
                    "-f", "lavfi", "-i", "sine=frequency=330:duration=4,volume=0.2",
                    "-c:v", "libx264", "-preset", "veryfast", "-crf", "30", "-pix_fmt", "yuv420p",
                    "-c:a", "aac", "-shortest", str(path)], check=True, timeout=300)


def main(folder, content_only=False, installed_at=None, playlist=False):
    """Writes the show into `folder`. installed_at: the folder the show will finally live in
    (for links between its files), default `folder` itself. content_only: no config.ini.
    playlist: the playlist variant (playlist.ini and captions)."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    home = installed_at or f"{folder.resolve()}/"
    picture(folder / "01-welcome.png", (1280, 720), (20, 60, 140), "Welcome", "PNG")
    picture(folder / "02-menu.jpg", (1920, 1080), (140, 40, 30), "Today's menu", "JPEG")
    picture(folder / "03-small.bmp", (640, 360), (30, 120, 50), "Small picture", "BMP")
    picture(folder / "04-notice.gif", (1000, 1000), (110, 30, 120), "Notice", "GIF")
    web_page(folder, home)
    if not playlist:
        clip(folder / "06-clip.mp4")
    if playlist:
        playlist_items(folder)
    if content_only:
        return
    if playlist:
        (folder / "config.ini").write_text(
            "; Demo show in playlist mode: items, times and captions come from playlist.ini.\r\n"
            "[MAIN]\r\nUsePlaylist=1\r\nNextImageTimer=4000\r\nNewFilesTimer=10000\r\n",
            encoding="utf-8", newline="")
        return
    (folder / "config.ini").write_text(
        "; Demo show: every item for 4 seconds, the folder re-read every 10 seconds, the web page\r\n"
        "; scrolling down by 2 pixels every 40 ms.\r\n"
        "[MAIN]\r\nNextImageTimer=4000\r\nNewFilesTimer=10000\r\nScrollWebpage=1\r\nscrollspeed=2\r\n",
        encoding="utf-8")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder")
    parser.add_argument("--content-only", action="store_true", help="write no config.ini")
    parser.add_argument("--installed-at", help="the folder the show will live in, ending in /")
    parser.add_argument("--playlist", action="store_true", help="the playlist variant with captions")
    args = parser.parse_args()
    main(args.folder, args.content_only, args.installed_at, args.playlist)
