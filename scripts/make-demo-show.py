#!/usr/bin/env python3
"""Writes the built-in demo show into a folder: a few generated pictures and a config.ini."""
import argparse
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


def main(folder, content_only=False, installed_at=None):
    """Writes the show into `folder`. installed_at: the folder the show will finally live in
    (for links between its files), default `folder` itself. content_only: no config.ini."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    home = installed_at or f"{folder.resolve()}/"
    picture(folder / "01-welcome.png", (1280, 720), (20, 60, 140), "Welcome", "PNG")
    picture(folder / "02-menu.jpg", (1920, 1080), (140, 40, 30), "Today's menu", "JPEG")
    picture(folder / "03-small.bmp", (640, 360), (30, 120, 50), "Small picture", "BMP")
    picture(folder / "04-notice.gif", (1000, 1000), (110, 30, 120), "Notice", "GIF")
    if content_only:
        return
    (folder / "config.ini").write_text(
        "; Demo show: every picture for 4 seconds, the folder re-read every 10 seconds.\r\n"
        "[MAIN]\r\nNextImageTimer=4000\r\nNewFilesTimer=10000\r\n", encoding="utf-8")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder")
    parser.add_argument("--content-only", action="store_true", help="write no config.ini")
    parser.add_argument("--installed-at", help="the folder the show will live in, ending in /")
    args = parser.parse_args()
    main(args.folder, args.content_only, args.installed_at)
