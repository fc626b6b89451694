"""The Debian package: built with CPack from the current build, unpacked into a scratch root, and
the installed board run from there under Xvfb on the demo show it ships."""

import os
import subprocess
from pathlib import Path

import harness
from harness import wait_until

DEMO_PICTURES = {"01-welcome.png", "02-menu.jpg", "03-small.bmp", "04-notice.gif"}


def build_package(out: Path) -> Path:
    build = Path(os.environ["TAVOREL_BUILD_DIR"])
    subprocess.run(["cpack", "-G", "DEB", "-B", str(out), "--config", str(build / "CPackConfig.cmake")],
                   cwd=build, check=True, capture_output=True, timeout=600)
    debs = sorted(out.glob("tavorel_*.deb"))
    assert len(debs) == 1, debs
    return debs[0]


def check_log_rotation(rule: str, scratch: Path):
    """The package's logrotate rule, pointed at a scratch ERROR.LOG: it parses, leaves a small log
    alone, and rotates a big one in place (the board's file keeps its inode and is emptied)."""
    scratch.mkdir(mode=0o755)
    log = scratch / "ERROR.LOG"
    assert rule.count("/opt/tavorel/ERROR.LOG") == 1, rule
    conf = scratch / "tavorel.conf"
    conf.write_text(rule.replace("/opt/tavorel/ERROR.LOG", str(log)))
    state = scratch / "state"
    log.write_bytes(b"12/11/2026,small\r\n")
    subprocess.run(["logrotate", "-d", "-s", str(state), str(conf)], check=True, capture_output=True)
    subprocess.run(["logrotate", "-s", str(state), str(conf)], check=True, capture_output=True)
    assert sorted(p.name for p in scratch.glob("ERROR.LOG*")) == ["ERROR.LOG"]

    old = b"12/11/2026,On Item: /srv/show/b.jpg\r\n" * 40000  # above 1 MB
    inode = log.stat().st_ino
    for _ in range(6):
        log.write_bytes(old)
        subprocess.run(["logrotate", "-s", str(state), str(conf)], check=True, capture_output=True)
    assert log.stat().st_ino == inode and log.stat().st_size == 0
    assert (scratch / "ERROR.LOG.1").read_bytes() == old
    assert sorted(p.name for p in scratch.glob("ERROR.LOG*")) == ["ERROR.LOG"] + [f"ERROR.LOG.{i}" for i in range(1, 5)]

    # An operator who deleted the log to stop logging gets none back.
    log.unlink()
    subprocess.run(["logrotate", "-f", "-s", str(state), str(conf)], check=True, capture_output=True)
    assert not log.exists()


def test_the_package_installs_into_a_scratch_root_and_shows_the_demo(tmp_root, xvfb, pulse):
    deb = build_package(tmp_root / "package")
    fields = subprocess.run(["dpkg-deb", "-f", str(deb), "Depends"], capture_output=True, text=True,
                            check=True).stdout
    assert "libqt6widgets6" in fields and "qt6-qpa-plugins" in fields, fields
    assert "qt6-wayland" in fields, fields  # the platform plugin of Wayland sessions

    root = tmp_root / "root"
    subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
    home = root / "opt/tavorel"
    program = home / "tavorel"
    assert program.is_file() and os.access(program, os.X_OK)
    assert (home / "ERROR.LOG").read_bytes() == b""
    config = (home / "config.ini").read_text()
    assert ";NextImageTimer=5000" in config and ";ImagesFileMask=" in config
    assert DEMO_PICTURES <= {p.name for p in home.iterdir()}
    # The demo's web page: a shortcut to a file of the show, where it is installed.
    assert "URL=file:///opt/tavorel/web/today.html" in (home / "05-today.url").read_text()
    assert "<html>" in (home / "web" / "today.html").read_text()
    assert "libqt6webenginecore6" in fields, fields
    assert (root / "usr/share/man/man1/tavorel.1").read_text().startswith(".TH TAVOREL 1")
    unit = (root / "usr/lib/systemd/user/tavorel.service").read_text()
    assert "ExecStart=/opt/tavorel/tavorel" in unit and "ExitType=cgroup" in unit
    for line in ("Type=notify", "NotifyAccess=all", "WatchdogSec="):
        assert f"\n{line}" in unit, line
    assert (root / "usr/share/tavorel/autostart/tavorel.desktop").is_file()
    rule = (root / "etc/logrotate.d/tavorel").read_text()
    conffiles = subprocess.run(["dpkg-deb", "-I", str(deb), "conffiles"], capture_output=True, text=True,
                               check=True).stdout.split()
    assert "/etc/logrotate.d/tavorel" in conffiles and "/opt/tavorel/config.ini" in conffiles, conffiles
    check_log_rotation(rule, tmp_root / "rotation")

    # The installed board, run from where it lies: its start directory is the unpacked /opt/tavorel.
    env = {"PATH": harness.BASE_PATH, "HOME": str(tmp_root), "XDG_RUNTIME_DIR": str(tmp_root / "run"),
           "QT_QPA_PLATFORM": "xcb", "LC_ALL": "C", "TZ": "UTC", "DBUS_SESSION_BUS_ADDRESS": "disabled:",
           "TAVOREL_DEBUG": "1", **xvfb.env(), **pulse.env()}
    (tmp_root / "run").mkdir(mode=0o700)
    err = tmp_root / "installed-stderr.txt"
    with open(err, "wb") as out:
        proc = subprocess.Popen([str(program)], cwd="/", env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=out, start_new_session=True)
    try:
        shown = lambda: {line.rsplit("/", 1)[-1] for line in err.read_text(errors="replace").splitlines()
                         if line.startswith(f"tavorel: item: {home}/")}
        # The demo's pictures change every 5 s (the sample config sets nothing).
        wait_until(lambda: len(shown() & DEMO_PICTURES) >= 2, 40, what="two demo pictures shown")

        def problems(shot):
            colours = len(set(shot.resize((64, 36)).getdata()))
            return None if colours > 4 else f"the screen shows {colours} colours, not a picture"
        harness.wait_for_screen(xvfb, problems)
        assert proc.poll() is None
        (home / "CLOSE.APP").write_bytes(b"")
        assert proc.wait(60) == 0
        assert not (home / "CLOSE.APP").exists()
    finally:
        harness.stop_process(proc)
