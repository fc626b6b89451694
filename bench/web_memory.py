#!/usr/bin/env python3
"""Memory of a show of web pages: resident memory of the board and of the web engine's processes
(browser side, zygotes, renderers), after a warm-up and after N page loads, under Xvfb.

usage: web_memory.py TAVOREL_BINARY [loads...] [--env=NAME=VALUE...]
       e.g. web_memory.py build/tavorel 100 500 1500
Each figure is the median of 41 readings over four seconds. The show cycles five pages at a
short interval: four from a web server on 127.0.0.1 (a script that draws on a canvas, a picture,
a large table, a page of text that sets timers and stores data) and one file:// page. RSS is
summed over the board's process tree, so memory shared by the engine's processes counts once per
process; PSS (each shared page split among its users) is printed beside it and is the better
figure for what the show costs the machine.

The board's web module is taken from lib/ beside the given program (copied into the board's start
directory, where the board looks first), so a copy of a build measures that copy's module even
while the build itself is remade. "anon" is the board's anonymous resident memory (its heaps),
the part that a leak makes grow. The board's journal (TAVOREL_DEBUG, which the harness sets)
gives its C library's heap every 100 loads, exactly and without the noise of RSS: heap in use that
grows is memory kept alive; held memory that grows while the heap in use does not is
fragmentation. --env=NAME=VALUE sets a variable in the board's environment.
"""
import os
import re
import shutil
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "system"))
import harness  # noqa: E402
from benchsupport import process_tree, pss_kb, sample, status_kb  # noqa: E402
from PIL import Image  # noqa: E402


def reading(board):
    pids = process_tree(board.pid)
    engine = [p for p in pids if p != board.pid]
    return {
        "rss": sum(status_kb(p, "VmRSS") for p in pids) / 1024,
        "board": status_kb(board.pid, "VmRSS") / 1024,
        "anon": status_kb(board.pid, "RssAnon") / 1024,
        "engine": sum(status_kb(p, "VmRSS") for p in engine) / 1024,
        "processes": len(engine),
        "pss": sum(pss_kb(p) for p in pids) / 1024,
    }


def measure(board):
    """Medians of 41 readings over four seconds (pages load and renderers come and go meanwhile)."""
    return sample(lambda: reading(board))[0]


def line(label, m):
    return (f"web show, {label}: RSS {m['rss']:7.1f} MB (board {m['board']:6.1f} MB, anon "
            f"{m['anon']:6.1f} MB, engine {m['engine']:6.1f} MB in {m['processes']} processes), "
            f"PSS {m['pss']:7.1f} MB")


def heap(board, loads):
    """The board's own journal line on its C library's heap at the last hundred loads up to loads:
    (loads, MB in use, MB held), or None."""
    found = None
    for m in re.finditer(r"tavorel: web: heap after (\d+) loads: (\d+) kB in use, (\d+) kB held",
                         board.stderr()):
        if int(m.group(1)) <= loads:
            found = (int(m.group(1)), int(m.group(2)) / 1024, int(m.group(3)) / 1024)
    return found


def heap_line(label, h):
    if h is None:
        return f"heap, {label}: no journal line"
    return f"heap, {label} (journal at {h[0]} loads): in use {h[1]:7.1f} MB, held {h[2]:7.1f} MB"


def pages(www: Path, show: Path):
    www.mkdir(parents=True, exist_ok=True)
    (www / "canvas.html").write_text(
        "<html><body style='margin:0;background:#123'><canvas id=c width=1280 height=720></canvas>"
        "<script>var c=document.getElementById('c').getContext('2d'),t=0;"
        "function f(){t++;for(var i=0;i<200;i++){c.fillStyle='hsl('+((t+i)%360)+',80%,50%)';"
        "c.fillRect((i*37+t)%1280,(i*53+t*3)%720,40,40);}requestAnimationFrame(f);}f();"
        "</script></body></html>")
    Image.effect_mandelbrot((1600, 900), (-2, -1.2, 1, 1.2), 80).convert("RGB").save(www / "picture.jpg")
    (www / "picture.html").write_text(
        "<html><body style='margin:0;background:#000'><img src='picture.jpg' style='width:100%'>"
        "</body></html>")
    rows = "".join(f"<tr><td>{i}</td><td>Row {i}</td><td>{i * i}</td></tr>" for i in range(3000))
    (www / "table.html").write_text(f"<html><body><table border=1>{rows}</table></body></html>")
    (www / "text.html").write_text(
        "<html><body style='font-size:28px'>" + "<p>Lorem ipsum dolor sit amet. </p>" * 400 +
        "<script>var keep=[];setInterval(function(){keep.push(new Array(1000).join('x'));"
        "if(keep.length>50)keep.shift();localStorage.setItem('n',String(keep.length));},100);"
        "</script></body></html>")
    (show / "local.html").write_text(
        "<html><body style='background:linear-gradient(#036,#000);color:#fff;font-size:60px'>"
        "<h1>A local page</h1></body></html>")


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    board_env = {"QT_QUICK_BACKEND": "software"}
    for a in sys.argv[1:]:
        if a.startswith("--env="):
            key, _, value = a[len("--env="):].partition("=")
            board_env[key] = value
    binary = Path(args[0]).resolve()
    targets = sorted(int(a) for a in args[1:]) or [100, 500, 1500]
    os.environ["TAVOREL_BINARY"] = str(binary)
    with tempfile.TemporaryDirectory() as tmp, harness.Xvfb(Path(tmp), 1280, 720) as x, \
            harness.PulseServer(Path(tmp)) as pulse:
        root = Path(tmp)
        show = root / "show"
        show.mkdir()
        pages(root / "www", show)
        with harness.HttpServer(root / "www", root / "http.log") as http:
            for i, name in enumerate(["canvas", "picture", "table", "text"]):
                (show / f"{i}-{name}.url").write_text(
                    f"[InternetShortcut]\r\nURL={http.url(name + '.html')}\r\n")
            (show / "4-local.url").write_text(f"[InternetShortcut]\r\nURL=file://{show}/local.html\r\n")
            board = harness.Board(x, root, config=f"[MAIN]\nImagesFolder={show}/\nNextImageTimer=150\n"
                                  "NewFilesTimer=5000\n", pulse=pulse,
                                  env=board_env)
            module = binary.parent / "lib" / "tavorel-web.so"
            if module.is_file():
                (board.start_dir / "lib").mkdir()
                shutil.copy2(module, board.start_dir / "lib" / module.name)
            board.start()
            loads = lambda: board.stderr().count("tavorel: web: loaded ")
            harness.wait_until(lambda: loads() >= 20, 300, what="20 page loads")
            print(line("after 20 loads (warm-up)", measure(board)))
            sys.stdout.flush()
            results = {}
            heaps = {}
            for target in targets:
                harness.wait_until(lambda: loads() >= target, 7200, 0.5, what=f"{target} page loads")
                results[target] = measure(board)
                print(line(f"after {target} loads", results[target]))
                heaps[target] = heap(board, target)
                print(heap_line(f"after {target} loads", heaps[target]))
                sys.stdout.flush()
            if len(results) >= 2:
                lo, hi = min(results), max(results)
                print(f"growth from {lo} to {hi} loads: RSS {results[hi]['rss'] - results[lo]['rss']:+.1f} MB, "
                      f"PSS {results[hi]['pss'] - results[lo]['pss']:+.1f} MB, "
                      f"board {results[hi]['board'] - results[lo]['board']:+.1f} MB, "
                      f"anon {results[hi]['anon'] - results[lo]['anon']:+.1f} MB")
                if heaps.get(lo) and heaps.get(hi):
                    (a, used_a, held_a), (b, used_b, held_b) = heaps[lo], heaps[hi]
                    per_load = (used_b - used_a) * 2**20 / max(1, b - a)
                    print(f"heap from {a} to {b} loads: in use {used_b - used_a:+.1f} MB "
                          f"({per_load:+.0f} bytes a load), held {held_b - held_a:+.1f} MB")
            errors = [l for l in board.stderr().splitlines() if l.startswith("tavorel: error:")]
            print(f"page loads {loads()}, pages replaced by fresh ones "
                  f"{board.stderr().count('a fresh page replaces')}, "
                  f"failed loads {board.stderr().count('tavorel: web: failed ')}, "
                  f"errors {len(errors)}")
            for text in sorted(set(errors))[:5]:
                print(f"  {text}")
            board.stop()


if __name__ == "__main__":
    main()
