#!/usr/bin/env python3
"""Checks that the board's libraries depend only on those below them.

Reads every #include "..." in src/ and tests/<library>/ and every target_link_libraries() in
src/CMakeLists.txt and
fails on an arrow that runs sideways or back up the layers. A folder's back-end subfolders
(schedule/pulse, video/gstreamer, web/engine ...) belong to its library."""
import pathlib
import re
import sys

# Bottom to top; libraries on one level know nothing of each other.
LEVELS = [
    ["brevutil"],
    ["core"],
    ["content", "schedule"],
    ["pictures", "captions", "video", "web"],
    ["sequencer"],
    ["shell"],
    ["app"],  # src/main.cpp and src/doc_main.cpp
]
LEVEL = {lib: n for n, libs in enumerate(LEVELS) for lib in libs}

root = pathlib.Path(__file__).resolve().parent.parent
src = root / "src"
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def library_of(relative):
    parts = pathlib.PurePosixPath(relative).parts
    return parts[0] if len(parts) > 1 else "app"


def allowed(user, used):
    return user == used or LEVEL[used] < LEVEL[user]


failures = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".cpp", ".h"):
        continue
    user = library_of(path.relative_to(src).as_posix())
    if user not in LEVEL:
        failures.append(f"{path.relative_to(root)}: folder {user!r} is in no layer")
        continue
    for header in include.findall(path.read_text(encoding="utf-8", errors="replace")):
        used = library_of(header)
        if used not in LEVEL or not (src / header).is_file():
            failures.append(f"{path.relative_to(root)}: includes {header}, not a file of src/")
        elif not allowed(user, used):
            failures.append(f"{path.relative_to(root)}: {user} includes {header} from {used}")

# A test program links only its library and those below it, so its includes say the same.
tests = root / "tests"
for path in sorted(tests.glob("*/*")):
    tested = path.parent.name
    if path.suffix not in (".cpp", ".h") or tested not in LEVEL:
        continue
    for header in include.findall(path.read_text(encoding="utf-8", errors="replace")):
        if not (src / header).is_file():
            continue  # the test's own helpers, tests/support
        used = library_of(header)
        if not allowed(tested, used):
            failures.append(f"{path.relative_to(root)}: a test of {tested} includes {header}")

cmake = (src / "CMakeLists.txt").read_text()
for target, body in re.findall(r"target_link_libraries\(\s*tavorel_(\w+)([^)]*)\)", cmake):
    if target not in LEVEL:
        continue
    for used in re.findall(r"\btavorel_(\w+)", body):
        if used not in LEVEL:
            failures.append(f"src/CMakeLists.txt: tavorel_{target} links unknown tavorel_{used}")
        elif not allowed(target, used):
            failures.append(f"src/CMakeLists.txt: tavorel_{target} links tavorel_{used}")

for folder in sorted(p.name for p in src.iterdir() if p.is_dir()):
    if folder not in LEVEL:
        failures.append(f"src/{folder}: folder in no layer")

if failures:
    print("Layer check failed:", *failures, sep="\n  ")
    sys.exit(1)
print("Layer check: every include and link runs down the layers.")
