"""Drives the real program end to end: an Xvfb display of its own, the test
Wine prefix, xdotool for the user's hands, the probe for what Win32 reports
and ImageMagick for what is on the screen. Python standard library only.

    with Desktop() as desktop:
        program = desktop.start_program()
        window = desktop.wait_window("Tessarin 截图简易工具")
        desktop.xdotool("key", "Escape")
        self.assertEqual(program.wait_exit(60), 0)

Every process a Desktop starts is ended by its process id when the Desktop
closes, and the prefix's Wine processes with `wineserver -k`, also when the
test fails. Only one Desktop runs at a time: the Wine server is per prefix, so
a Desktop first ends any server of the prefix (one started for another display
by scripts/with-display, say) and starts its own on its own screen.
TESSARIN_KEEP_DESKTOP=1 keeps each Desktop's logs folder (/tmp/tessarin-e2e.*).
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
MAIN_TITLE = "Tessarin 截图简易工具"


def _first_existing(*candidates):
    for candidate in candidates:
        if candidate and Path(candidate).exists():
            return Path(candidate)
    return Path(candidates[-1])


def program_path():
    return _first_existing(os.environ.get("TESSARIN_EXE"),
                           REPO / "build" / "windows" / "tessarin.exe")


def probe_path():
    return _first_existing(os.environ.get("TESSARIN_PROBE"),
                           REPO / "build" / "windows" / "tests" / "e2e" / "probe.exe")


def wine_prefix():
    return Path(os.environ.get("TESSARIN_WINEPREFIX", REPO / "build" / "wineprefix"))


def locale_path():
    """Where ensure-wineprefix compiled the zh_CN.UTF-8 locale that Wine runs under."""
    return Path(os.environ.get("TESSARIN_LOCPATH", REPO / "build" / "locale"))


def wine_environment(display):
    """The environment of every Wine process (as in scripts/wine-env.sh)."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith("LC_") and k not in ("LANGUAGE", "WAYLAND_DISPLAY")}
    env.update(DISPLAY=display, WINEPREFIX=str(wine_prefix()), LOCPATH=str(locale_path()),
               LANG="zh_CN.UTF-8", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def parse_facts(text):
    """The probe's `key=value` lines as a dict of strings (texts unescaped)."""
    facts = {}
    for line in text.splitlines():
        key, sep, value = line.partition("=")
        if sep:
            facts[key] = _unescape(value)
    return facts


def _unescape(value):
    out, i = [], 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value):
            out.append({"n": "\n", "r": "\r", "\\": "\\"}.get(value[i + 1], value[i + 1]))
            i += 2
        else:
            out.append(value[i])
            i += 1
    return "".join(out)


def indexed(facts, name):
    """Groups `name.N.key` facts into a list of dicts ordered by N."""
    groups = {}
    prefix = name + "."
    for key, value in facts.items():
        if key.startswith(prefix):
            index, _, rest = key[len(prefix):].partition(".")
            if index.isdigit() and rest:
                groups.setdefault(int(index), {})[rest] = value
    return [groups[i] for i in sorted(groups)]


def numbers(value):
    """'1,2,3,4' -> (1, 2, 3, 4)."""
    return tuple(int(part) for part in value.split(","))


class Picture:
    """An RGB picture read through ImageMagick (any format it reads)."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @classmethod
    def load(cls, path):
        raw = subprocess.run([_magick("convert"), str(path), "-depth", "8", "ppm:-"],
                             check=True, capture_output=True, timeout=60).stdout
        return cls.from_ppm(raw)

    @classmethod
    def from_ppm(cls, raw):
        fields, pos = [], 0
        while len(fields) < 4:
            while raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                pos = raw.index(b"\n", pos) + 1
                continue
            end = pos
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[pos:end])
            pos = end
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise ValueError("expected an 8-bit binary PPM")
        width, height = int(fields[1]), int(fields[2])
        data = raw[pos + 1:pos + 1 + width * height * 3]
        return cls(width, height, data)

    def to_ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + self.data

    def save(self, path):
        """Writes the picture in the format its name asks for (PNG, BMP, ...)."""
        subprocess.run([_magick("convert"), "ppm:-", "-strip", str(path)], input=self.to_ppm(),
                       check=True, capture_output=True, timeout=60)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, left, top, right, bottom):
        rows = [self.data[(y * self.width + left) * 3:(y * self.width + right) * 3]
                for y in range(top, bottom)]
        return Picture(right - left, bottom - top, b"".join(rows))

    def colours(self):
        """How many pixels of each colour, as a dict {(r, g, b): count}."""
        counts = {}
        for i in range(0, len(self.data), 3):
            key = tuple(self.data[i:i + 3])
            counts[key] = counts.get(key, 0) + 1
        return counts


def _magick(tool):
    # /usr/local/bin may hold a stand-in for convert; the real one is in /usr/bin.
    real = Path("/usr/bin") / tool
    return str(real) if real.exists() else tool


class Program:
    """A Windows program started under Wine; its Unix pid is the process itself."""

    def __init__(self, process, log_path):
        self._process = process
        self.log_path = log_path

    @property
    def pid(self):
        return self._process.pid

    def running(self):
        return self._process.poll() is None

    def wait_exit(self, timeout):
        """The exit status; raises AssertionError when still running after `timeout` s."""
        try:
            return self._process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"program {self.pid} still running after {timeout} s") from None

    def log(self):
        return self.log_path.read_text(errors="replace") if self.log_path.exists() else ""

    def end(self):
        _end(self._process)


class Desktop:
    """An Xvfb screen with the test Wine prefix and a warm Wine server (see module doc)."""

    def __init__(self, width=1920, height=1080, depth=24):
        self.width, self.height, self.depth = width, height, depth
        self.display = None
        self.env = None
        self.workdir = None
        self._processes = []  # (Popen, description), ended in reverse order
        self._xvfb = None
        self._server = None
        self._counter = 0

    # -- life --------------------------------------------------------------

    def __enter__(self):
        self.workdir = Path(tempfile.mkdtemp(prefix="tessarin-e2e."))
        try:
            self._start_xvfb()
            self._prepare_wine()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        for process, _ in reversed(self._processes):
            _end(process)
        self._processes.clear()
        if self._server is not None:
            # Also ends Wine processes started on their own (explorer, services).
            self._run_quiet(["wineserver", "-k"], timeout=30)
            _end(self._server)
            self._server = None
        if self._xvfb is not None:
            _end(self._xvfb)
            self._xvfb = None
        if self.workdir is not None and not os.environ.get("TESSARIN_KEEP_DESKTOP"):
            shutil.rmtree(self.workdir, ignore_errors=True)

    def _start_xvfb(self):
        number_file = self.workdir / "display"
        with open(number_file, "w") as numbers_out, open(self.workdir / "xvfb.log", "w") as log:
            # Xvfb picks a free display and writes its number once it accepts connections.
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(numbers_out.fileno()), "-screen", "0",
                 f"{self.width}x{self.height}x{self.depth}", "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                pass_fds=(numbers_out.fileno(),), start_new_session=True)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            text = number_file.read_text().strip()
            if text.isdigit() and "\n" in number_file.read_text():
                self.display = f":{text}"
                break
            if self._xvfb.poll() is not None:
                raise RuntimeError("Xvfb ended: " + (self.workdir / "xvfb.log").read_text())
            time.sleep(0.05)
        else:
            raise RuntimeError("Xvfb gave no display number within 30 s")

    def _prepare_wine(self):
        self.env = wine_environment(self.display)
        subprocess.run([str(REPO / "scripts" / "ensure-wineprefix")], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, timeout=600)
        # A server left running may serve another display: every Wine process of
        # this Desktop must see this screen.
        self._run_quiet(["wineserver", "-k"], timeout=30)
        self._run_quiet(["wineserver", "-w"], timeout=60)
        self._server = self._spawn(["wineserver", "-f", "-p"], "wineserver")
        self._processes.pop()  # ended last, after `wineserver -k`
        # One throwaway start makes later Wine starts fast.
        warm = self._spawn(["wine", "cmd", "/c", "exit"], "warm-up")
        warm.wait(timeout=180)

    # -- processes ---------------------------------------------------------

    def _log_file(self, name):
        self._counter += 1
        safe = "".join(c if c.isalnum() else "-" for c in name)[:40]
        return self.workdir / f"{self._counter:03d}-{safe}.log"

    def _spawn(self, argv, name, log_path=None):
        # Output always goes to a file: a Wine server inherits pipes and holds them open.
        log_path = log_path or self._log_file(name)
        with open(log_path, "wb") as log:
            process = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=subprocess.STDOUT,
                                       start_new_session=True)
        self._processes.append((process, name))
        return process

    def _run_quiet(self, argv, timeout):
        with open(self.workdir / "quiet.log", "ab") as log:
            try:
                return subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL,
                                      stdout=log, stderr=log, timeout=timeout).returncode
            except subprocess.TimeoutExpired:
                return None

    def start_program(self, exe=None, args=()):
        exe = Path(exe) if exe else program_path()
        if not exe.exists():
            raise FileNotFoundError(f"{exe} is not built")
        log_path = self._log_file(exe.name)
        process = self._spawn(["wine", str(exe), *map(str, args)], exe.name, log_path)
        return Program(process, log_path)

    def probe(self, *args, timeout=120):
        """Runs probe.exe with `args` in this Desktop's Wine server; returns its output."""
        exe = probe_path()
        if not exe.exists():
            raise FileNotFoundError(f"{exe} is not built")
        out_path = self.workdir / "probe.out"
        with open(out_path, "wb") as out:
            completed = subprocess.run(["wine", str(exe), *map(_probe_argument, args)],
                                       env=self.env,
                                       stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=subprocess.DEVNULL, timeout=timeout)
        text = out_path.read_bytes().decode("utf-8", errors="replace")
        if completed.returncode != 0:
            raise RuntimeError(f"probe {' '.join(map(str, args))} failed "
                               f"({completed.returncode}): {text}")
        return text

    def facts(self, *args, timeout=120):
        """`probe(*args)` parsed into a dict."""
        return parse_facts(self.probe(*args, timeout=timeout))

    def xdotool(self, *args, timeout=60):
        completed = subprocess.run(["xdotool", *map(str, args)], env=self.env,
                                   stdin=subprocess.DEVNULL, capture_output=True,
                                   timeout=timeout)
        if completed.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(map(str, args))} failed: "
                               f"{completed.stderr.decode(errors='replace')}")
        return completed.stdout.decode(errors="replace")

    def screenshot(self, path=None):
        """Saves the whole screen (ImageMagick `import -window root`); returns the path."""
        path = Path(path) if path else self._log_file("screen").with_suffix(".png")
        subprocess.run([_magick("import"), "-window", "root", str(path)], env=self.env,
                       stdin=subprocess.DEVNULL, check=True, capture_output=True, timeout=60)
        return path

    def screen_picture(self):
        """The whole screen as a Picture."""
        raw = subprocess.run([_magick("import"), "-window", "root", "-depth", "8", "ppm:-"],
                             env=self.env, stdin=subprocess.DEVNULL, check=True,
                             capture_output=True, timeout=60).stdout
        return Picture.from_ppm(raw)

    def cover(self, picture_path, timeout=60):
        """Shows a picture full-screen at (0, 0) and waits until the screen shows it."""
        picture_path = Path(picture_path)
        expected = Picture.load(picture_path)
        process = self._spawn([_magick("display"), "-geometry", "+0+0", "-borderwidth", "0",
                               "-immutable", str(picture_path)], "display")

        def shown():
            if process.poll() is not None:
                raise RuntimeError("display ended before showing " + str(picture_path))
            screen = self.screen_picture()
            width, height = min(expected.width, screen.width), min(expected.height, screen.height)
            return screen.crop(0, 0, width, height).data == expected.crop(0, 0, width, height).data

        self.wait_for(shown, timeout=timeout, what=f"{picture_path.name} on screen")
        return process

    # -- waiting -----------------------------------------------------------

    def wait_for(self, predicate, timeout=60, what="condition", interval=0.2):
        """Polls `predicate` until it returns something true; returns that value."""
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                raise AssertionError(f"timed out after {timeout} s waiting for {what}")
            time.sleep(interval)

    def wait_window(self, title, timeout=60, visible=True):
        """Waits for a top-level window with this exact title; returns its probe facts."""
        def found():
            facts = self.facts("window", title)
            if facts.get("found") == "1" and (not visible or facts.get("visible") == "1"):
                return facts
            return None
        return self.wait_for(found, timeout=timeout, what=f"window {title!r}")

    def wait_no_window(self, title, timeout=60):
        self.wait_for(lambda: self.facts("window", title).get("found") == "0",
                      timeout=timeout, what=f"window {title!r} to go away")


def _probe_argument(value):
    # Wine garbles non-ASCII command lines under a Unix locale that is not
    # installed, so such texts travel as hexadecimal UTF-8.
    text = str(value)
    return text if text.isascii() else "hex:" + text.encode("utf-8").hex()


def _end(process):
    """Ends one started process by its id (its own session, so its children too)."""
    if process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
    except (ProcessLookupError, PermissionError):
        process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            process.kill()
        process.wait(timeout=10)
