# The real programs from outside: the console dialog through a pipe (line
# mode) and through a pseudo-terminal (key mode), then agvsim's window on a
# private Xvfb: title, size, first frame, keys and pixels, and the ways the
# process ends.
#
# Environment (set by CTest): AGVSIM, DIALOG_DRIVER, GOLDEN_DIR. The cases
# are in golden/program_cases.json; the expected transcripts in golden/ were
# written by hand. Expected pixels come from the drawing's geometry: a window
# unit is 400 px (column (X + 1) * 400, row (1 - Y) * 400), a world point
# (x, y) [m] is at window ((x - 2) * scale + panX, (y - 0.5) * scale + panY),
# the scale 0.2 by default (80 px per metre). Every wait is for an event and
# bounded.
import ctypes, io, json, os, re, select, signal, struct, subprocess, termios, time  # noqa: E401
from pathlib import Path

import numpy as np, pexpect, pytest  # noqa: E401
from pexpect.popen_spawn import PopenSpawn

from picture_checks import VIEW_KEYS, dot_at, drawn, first_picture_ok, mech_ok, text_line, view_ok

AGVSIM, DRIVER = os.environ.get("AGVSIM", "agvsim"), os.environ.get("DIALOG_DRIVER", "dialog_driver")
GOLDEN = os.environ.get("GOLDEN_DIR", Path(__file__).parent / "golden")
CASES = json.loads(Path(GOLDEN, "program_cases.json").read_text(encoding="utf-8"))
LIMIT = 20.0  # [s] bound of every wait (prompt, mode, window, picture, exit); sanitizer builds are slow
POLL = 0.01  # [s] between two looks at what is awaited
TITLE, SESSION_END, DEFAULT_KEYS = CASES["title"], CASES["session_end"], CASES["default_keys"]
PROMPT_ENDS = tuple(CASES["prompt_ends"])  # what each read of the dialog is preceded by


# In the child before exec (prctl looked up here): PR_SET_PDEATHSIG, no orphans if pytest is killed.
die_with_parent = (lambda prctl: lambda: prctl(1, signal.SIGKILL))(ctypes.CDLL(None).prctl)


def wait_for(probe, ready=bool, limit=LIMIT):  # the first value that is ready, or the last one
    end = time.monotonic() + limit
    while not ready(value := probe()) and time.monotonic() < end:
        time.sleep(POLL)
    return value


def golden(name): return Path(GOLDEN, name + ".txt").read_text(encoding="utf-8")
def tool(*args): return subprocess.run(args, capture_output=True, text=True, timeout=LIMIT).stdout


# The settings every new pseudo-terminal starts with.
TTY_DEFAULTS = (lambda m, s: (termios.tcgetattr(s), os.close(m), os.close(s))[0])(*os.openpty())


def press(child, prompt, text, key=True):
    # After the prompt; a key only once the key read has the terminal out of canonical mode.
    child.expect_exact(prompt)
    assert not key or wait_for(lambda: not termios.tcgetattr(child.child_fd)[3] & termios.ICANON), prompt
    child.send(text)


def finish(child):
    # Reads to the end of output (bounded); exit status, or minus the signal that ended it.
    child.expect(pexpect.EOF), child.wait()  # the wait ends at once: the output has ended
    return child.exitstatus if child.signalstatus is None else -child.signalstatus


@pytest.fixture
def spawn():
    made = []

    def start(cmd, args=(), tty=False):
        kw = dict(encoding="utf-8", timeout=LIMIT, preexec_fn=die_with_parent)
        made.append(pexpect.spawn(cmd, list(args), **kw) if tty else PopenSpawn([cmd, *args], **kw))
        made[-1].logfile_read = io.StringIO()
        return made[-1]
    yield start
    for child in made:  # those still running are killed
        child.close(force=True) if isinstance(child, pexpect.spawn) else (child.proc.kill(), child.proc.wait())
    if os.environ.get("DISPLAY"):  # the next test must not find this window
        wait_for(lambda: find_window() is None, limit=5.0)


# ---- Line mode: standard input a pipe ------------------------------------------------------

def run_driver(keys, agv_type, text):
    return subprocess.run([DRIVER, keys, str(agv_type)], input=text.encode(), capture_output=True, timeout=LIMIT)


@pytest.mark.parametrize("s", CASES["sessions"], ids=lambda s: s["name"])
def test_transcript_and_end_of_input_at_every_read(spawn, s):
    expected, lines = golden(s["golden"]), s["input"].splitlines(keepends=True)
    r = run_driver(s["keys"], s["type"], s["input"])
    assert (r.returncode, r.stderr.decode(), r.stdout.decode()) == (0, f"stepsPerSample={s.get('steps', 10)}\n", expected)
    child = spawn(DRIVER, [s["keys"], str(s["type"])])  # each line sent once its read's prompt has come out
    [(child.expect_exact(list(PROMPT_ENDS)), child.send(line)) for line in lines]
    assert finish(child) == 0 and expected in child.logfile_read.getvalue()
    for k in range(len(lines)):  # input ending before read k: status 0 at once, one line of note
        r = run_driver(s["keys"], s["type"], "".join(lines[:k]))
        out, err = r.stdout.decode(), r.stderr.decode()
        assert r.returncode == 0 and err.count("\n") == 1 and err.endswith("\n"), (k, err)
        assert expected.startswith(out) and out.endswith(PROMPT_ENDS), (k, out[-200:])
        assert sum(out.count(p) for p in PROMPT_ENDS) == k + 1, k


@pytest.mark.parametrize("c", CASES["odd"], ids=lambda c: c["name"])
def test_odd_input_session_ends_normally(c):
    r = run_driver(c["keys"], 1, c["input"])
    out = r.stdout.decode()
    assert r.returncode == 0 and r.stderr.startswith(b"stepsPerSample=") and out.endswith(SESSION_END), out[-300:]
    assert [t for t in c["present"] if t not in out] == [] and [t for t in c["absent"] if t in out] == []
    assert out.count("設定し直し") == c["rejections"]


# ---- Key mode: a pseudo-terminal ---------------------------------------------------------------

def test_terminal_keys_without_enter_or_echo(spawn):
    child = spawn(DRIVER, ["0"], tty=True)
    [press(child, *prompt_key) for prompt_key in DEFAULT_KEYS]
    assert finish(child) == 0 and termios.tcgetattr(child.child_fd) == TTY_DEFAULTS
    assert child.logfile_read.getvalue() == (golden("defaults") + "stepsPerSample=10\n").replace("\n", "\r\n")


def test_terminal_number_entry_leftovers_are_not_a_key(spawn):
    child = spawn(DRIVER, ["f"], tty=True)
    # " n" and the line feed left on the line, and an 'n' typed ahead, are not the answer.
    press(child, "新fn ζ=", "0.1 0.707 n\nn", key=False)
    press(child, "入力 ", "y0.3\n")  # read with the key into stdio's buffer: dropped with the key mode
    press(child, "入力　Ts[s]=", "\x04", key=False)  # VEOF at the start of a line: end of input
    assert finish(child) == 0 and termios.tcgetattr(child.child_fd) == TTY_DEFAULTS
    assert child.before.endswith("\r\n") and child.before.count("\r\n") == 1 and len(child.before) > 2


@pytest.mark.parametrize("sig", [signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, 0],
                         ids=lambda s: s.name if s else "VEOF")
def test_signal_or_end_of_file_during_key_read_restores_terminal(spawn, sig):
    child = spawn(DRIVER, ["0"], tty=True)
    press(child, "I= ", "" if sig else "\x04")  # Ctrl-D at a key question: end of input
    sig and child.kill(sig)
    assert finish(child) == -sig and termios.tcgetattr(child.child_fd) == TTY_DEFAULTS
    # Nothing follows the prompt but, at end of input, the one-line note.
    assert child.before.count("\r\n") == (0 if sig else 1)


def test_ctrl_z_gives_the_terminal_back_and_fg_the_key_mode(spawn):
    # A shell with job control runs the dialog as its foreground job and prints the terminal's
    # settings before it and once Ctrl-Z has stopped it; then fg.
    child = spawn("sh", ["-c", f"set -m; stty -g; {DRIVER} 0; stty -g; fg"], tty=True)
    child.expect(r"(\S+:\S+)\r\n")
    settings = child.match.group(1)
    press(child, "I= ", "\x1a")
    child.expect(r"(\S+:\S+)\r\n")
    assert child.match.group(1) == settings
    press(child, "", "0")  # after fg the key read takes its key without Enter again
    child.expect_exact("入力 ")


# ---- The window on a private X server --------------------------------------------------------

def start_xvfb():
    r, w = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x1024x24", "-nolisten", "tcp",
                               "-noreset"], pass_fds=(w,), stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
    os.close(w)
    number = b""  # written in two parts: read up to the line feed, or the server dies
    while not number.endswith(b"\n") and select.select([r], [], [], LIMIT)[0] and (part := os.read(r, 16)):
        number += part
    os.close(r)
    return server, ":" + number.decode().strip()


@pytest.fixture(scope="module")
def xserver():
    server, display = start_xvfb()
    with pytest.MonkeyPatch.context() as mp:
        mp.setenv("DISPLAY", display), mp.setenv("LC_ALL", "C.UTF-8")  # UTF-8: for the Japanese title
        yield display
    server.kill(), server.wait()


def find_window():
    ids = tool("xdotool", "search", "--onlyvisible", "--name", "機構選択").split()
    return ids[-1] if ids else None


# After Escape xdotool may report BadWindow: the window is already gone.
def key(window, *keys): tool("xdotool", "key", "--window", window, *keys)


def shot(window):
    # The window's picture as rows x columns x RGB in window pixels; -1 where it is off the screen.
    d = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True, timeout=LIMIT).stdout
    if len(d) < 100:  # the window is gone
        return None
    f = struct.unpack(">25I", d[:100])
    w, h, step, bpl = f[4], f[5], f[11] // 8, f[12]
    raw = np.frombuffer(d, np.uint8, h * bpl, f[0] + 12 * f[19]).reshape(h, bpl)[:, :w * step].reshape(h, w, step)
    value = sum(raw[..., ::-1 if f[7] else 1][..., i].astype(np.uint32) << (8 * i) for i in range(step))
    rgb = np.stack([(value & m) >> ((m & -m).bit_length() - 1) for m in f[14:17]], -1).astype(np.int32)
    return np.pad(rgb, ((800 - h, 0), (800 - w, 0), (0, 0)), constant_values=-1)


def wait_pic(window, ready):  # the first picture for which ready holds; None at the deadline
    ok = lambda img: img is not None and ready(img)
    return img if ok(img := wait_for(lambda: shot(window), ok)) else None


def test_window_from_a_pipe(xserver, spawn):
    app = spawn(AGVSIM)
    app.send("0\nn\nn\nn\nx\n")
    app.expect_exact(PROMPT_ENDS[-1])
    assert find_window() is None  # not before the dialog has ended
    app.send("q\n")
    assert (w := wait_for(find_window))
    props = tool("xprop", "-id", w, "WM_NAME", "_NET_WM_NAME")
    assert f'_NET_WM_NAME(UTF8_STRING) = "{TITLE}"\n' in props
    assert re.search(rf'^WM_NAME\((COMPOUND_TEXT|STRING)\) = "{re.escape(TITLE)}"$', props, re.M), props
    assert "Geometry: 800x800" in tool("xdotool", "getwindowgeometry", w)
    img = wait_pic(w, drawn)
    assert first_picture_ok(img)
    pictures = {"0": img}
    for agv in "231":  # mechanism keys: back to the start (after 6 records), their panel lines
        key(w, "s", "s", "s", agv)
        pictures[agv] = wait_pic(w, lambda im: mech_ok(im, agv))
        assert pictures[agv] is not None, agv
    same = lambda a, b, y: np.array_equal(text_line(pictures[a], y), text_line(pictures[b], y))
    assert not same("0", "2", 0.90) and not same("2", "3", 0.90) and not same("0", "2", 0.85)
    assert same("2", "3", 0.85) and wait_pic(w, lambda im: np.array_equal(im, pictures["0"])) is not None
    for k, *view in VIEW_KEYS:
        key(w, k)
        pictures[k] = wait_pic(w, lambda im: not view or view_ok(im, *view))
        assert pictures[k] is not None, k
    assert wait_pic(w, lambda im: np.array_equal(im, pictures["w"])) is not None
    key(w, "Escape")
    assert finish(app) == 0 and app.logfile_read.getvalue() == golden("defaults")


def test_closing_the_window_ends_the_program(xserver, spawn):
    app = spawn(AGVSIM)
    app.send("0\nn\nn\nn\n\n\n")
    assert (w := wait_for(find_window))
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype, x11.XInternAtom.restype = ctypes.c_void_p, ctypes.c_ulong
    display = ctypes.c_void_p(x11.XOpenDisplay(None))
    event = (ctypes.c_long * 24)()  # an XClientMessageEvent in the 24-long XEvent
    event[0], event[4], event[6] = 33, int(w), 32  # ClientMessage, window, format 32
    event[5], event[7] = (x11.XInternAtom(display, n, 0) for n in (b"WM_PROTOCOLS", b"WM_DELETE_WINDOW"))
    x11.XSendEvent(display, ctypes.c_ulong(int(w)), 0, ctypes.c_long(0), event)
    x11.XCloseDisplay(display)
    assert finish(app) == 0


def test_window_with_the_console_on_a_terminal(xserver, spawn):
    app = spawn(AGVSIM, tty=True)
    [press(app, *prompt_key) for prompt_key in DEFAULT_KEYS]
    assert (w := wait_for(find_window)) and wait_pic(w, drawn) is not None
    key(w, "h")  # the vehicles on the path at the origin: (240, 440), new results without a key
    press(app, "x y θ=", "0 0 0\n", key=False)
    press(app, "計算へ", "k"), press(app, PROMPT_ENDS[-1], "k")
    assert wait_pic(w, lambda im: dot_at(im, 240, 440)) is not None
    key(w, *"s" * 10)  # 20 records of 0.02 s at 1 m/s straight along the path: 0.4 m, 32 px
    assert (before := wait_pic(w, lambda im: dot_at(im, 272, 440))) is not None
    key(w, "W", "z", "t", "2", "Escape")  # the window takes no keys while the dialog runs: '2' and ESC dropped
    press(app, "入力　Ts[s]=", "0.1\n", key=False)
    press(app, "入力 ", "n"), press(app, "計算へ", "k"), press(app, PROMPT_ENDS[-1], "k")
    # Ts=0.10[s] in the design line, without another key; the new run from its start in the default view.
    new = lambda im: not np.array_equal(text_line(im, 0.80), text_line(before, 0.80)) and view_ok(im, 0.2, 0, 0, 0.6)
    assert (after := wait_pic(w, new)) is not None and dot_at(after, 240, 440) and not dot_at(after, 272, 440)
    assert app.isalive() and np.array_equal(text_line(after, 0.90), text_line(before, 0.90))
    key(w, "Escape")
    assert finish(app) == 0 and termios.tcgetattr(app.child_fd) == TTY_DEFAULTS


@pytest.mark.parametrize("answers", CASES["extremes"].values(), ids=CASES["extremes"].keys())
def test_extreme_settings_end_by_escape(xserver, spawn, answers):
    app = spawn(AGVSIM)
    app.send(answers)
    assert (w := wait_for(find_window)) and wait_pic(w, drawn) is not None
    key(w, "s", "s", "0", "s", "W", "Escape")
    assert finish(app) == 0 and not re.search("Sanitizer|runtime error", app.logfile_read.getvalue())
