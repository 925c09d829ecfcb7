"""Drives the real installer in a real X window with real mouse and keys, and reads its pixels:
the native build on a private Xvfb, or the Windows build under Wine on the Wine session's display
(tests/windows/wine-run.sh --start-session). The two differ only in the two Session classes at
the end; the flows (flows.py) are written once for both.

Every step waits for what it needs to see, up to a deadline, and never sleeps a fixed time."""

import json
import os
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

from Xlib import X, Xatom, display, protocol
from Xlib.error import XError

import reference

HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "..", "screen.json")) as f:
    SCREEN = json.load(f)

ARTEFACTS = os.environ.get("QF_ARTEFACTS", tempfile.gettempdir())

# How long a step waits for what it needs to see. Only a failing step waits this long, so it is
# set for a machine whose cores other jobs keep busy, where a program under Wine may take
# seconds to show a click.
DEADLINE = 20.0

# Atoms JUCE only uses when they already exist; a bare X server has none of them until a window
# manager would create them.
WM_ATOMS = ["WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING", "WM_STATE",
            "WM_CHANGE_STATE", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_WINDOW_TYPE",
            "_NET_WM_WINDOW_TYPE_NORMAL", "_MOTIF_WM_HINTS", "_NET_WORKAREA", "_NET_FRAME_EXTENTS"]


class Failure(Exception):
    pass


class WineFailure(Failure):
    """Wine itself failed: the program never came up. Such a start is tried once more."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def colour(name):
    """A colour of the screen map as 0xRRGGBB (a text ink's alpha dropped)."""
    return int(SCREEN["colours"][name][-6:], 16)


def difference(actual, expected):
    """The largest difference of one channel between two 0xRRGGBB colours."""
    return max(abs(((actual >> s) & 255) - ((expected >> s) & 255)) for s in (0, 8, 16))


def near(actual, expected, tolerance=3):
    return difference(actual, expected) <= tolerance


def box(name):
    """A button's box or an area of the screen map, as (x, y, width, height)."""
    found = SCREEN["buttons"].get(name) or {"box": SCREEN["areas"][name]}
    return tuple(found["box"])


def centre(name):
    x, y, w, h = box(name)
    return x + w // 2, y + h // 2


def stop(process):
    """Ends a process that may still run, by force if it does not end by itself in time."""
    if process is not None and process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=10)


class Session:
    """One X display, one program at a time, and the pointer and keyboard."""

    def __init__(self):
        self.display = None
        for _ in range(200):
            try:
                self.display = display.Display()
                break
            except Exception:
                time.sleep(0.05)
        check(self.display is not None, "no X server at %s" % os.environ.get("DISPLAY"))
        # A window can go between a look and the next; such errors surface in the call that meets them.
        self.display.set_error_handler(lambda *_: None)
        self.root = self.display.screen().root
        for name in WM_ATOMS:
            self.display.intern_atom(name, only_if_exists=False)
        # A key is pressed and let go by separate requests, and a server that runs late may see
        # the press held past the auto-repeat delay and repeat it: one Tab moving the focus twice.
        self.display.change_keyboard_control(auto_repeat_mode=X.AutoRepeatModeOff)
        self.display.sync()
        self.app = self.window = None
        self.shots = 0
        self.references = {}

    # -- the program ------------------------------------------------------------------------------
    def find_window(self, title="qf_installer", window=None, besides=()):
        """The viewable window with the title, other than those besides; helper windows may come
        and go meanwhile."""
        try:
            children = (window or self.root).query_tree().children
        except XError:
            return None
        for child in children:
            try:
                # JUCE writes the title as UTF8_STRING, which get_wm_name() does not read.
                if (child.get_full_text_property(Xatom.WM_NAME, X.AnyPropertyType) == title
                        and child.get_attributes().map_state == X.IsViewable and child.id not in besides):
                    return child
            except XError:
                continue
            found = self.find_window(title, child, besides)
            if found is not None:
                return found
        return None

    def request_close(self):
        """What a window manager sends when the user clicks the title bar's close button."""
        protocols = self.display.intern_atom("WM_PROTOCOLS")
        delete = self.display.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=self.window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        self.window.send_event(event, event_mask=X.NoEventMask)
        self.display.flush()

    def wait_for_exit(self, timeout=15.0):
        self.wait(lambda: self.app.poll() is not None, "the program did not exit after the close request", timeout)
        return self.app.returncode

    def close_and_check_exit(self, what):
        self.request_close()
        check(self.wait_for_exit() == 0, "the exit status %s" % what)

    def nudge(self):
        """Sends the program a client message it ignores, as a desktop's steady traffic would.

        JUCE's event loop on Linux only looks for X events when its connection becomes readable.
        Any round trip the program makes outside that handling (JUCE makes some from timers and
        asynchronous updates) reads the events that arrive meanwhile into Xlib's queue, where
        they wait until something else arrives. On a desktop something always does; a test that
        sends one event and then waits would wait in vain. A nudge is that something: it changes
        nothing, and a program that ignored an event still ignores it."""
        if self.window is None:
            return
        try:
            event = protocol.event.ClientMessage(window=self.window, client_type=self.display.intern_atom("QF_TEST_NUDGE"),
                                                 data=(32, [0, 0, 0, 0, 0]))
            self.window.send_event(event, event_mask=X.NoEventMask)
            self.display.flush()
        except XError:
            pass  # the window went away

    def wait(self, condition, what, timeout=DEADLINE):
        """Returns once the condition holds; fails with what (called if it is a function) when it
        has not held by the deadline."""
        end = time.time() + timeout
        while not condition():
            if time.time() > end:
                raise Failure(what() if callable(what) else what)
            self.nudge()
            time.sleep(0.02)

    def wait_colour(self, point, name, what, tolerance=4, timeout=DEADLINE):
        self.wait(lambda: near(self.pixel(*point), colour(name), tolerance),
                  lambda: "%s: %06x at %s, not %s" % (what, self.pixel(*point), point, name), timeout)

    # -- mouse and keys ---------------------------------------------------------------------------
    def xdotool(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], check=True)
        self.nudge()

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def move_to(self, x, y):
        wx, wy, _, _ = self.geometry()
        self.xdotool("mousemove", wx + x, wy + y)

    def click_at(self, x, y):
        self.move_to(x, y)
        self.xdotool("click", 1)

    def focus_window(self):
        """Gives the window the keyboard, as a window manager does with a window that opens."""
        self.window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.display.sync()

    def away(self):
        self.move_to(*centre("away"))

    def park_pointer(self):
        """Puts the pointer in the screen's corner, off where the window opens, so that every flow
        starts alike. The flow before may have left it anywhere: the Wine session keeps one display
        for the whole suite. A window that opens under the pointer, over a button, shows that
        button's help line once the program takes the pointer's entry, and under load that may be
        after the flow has looked at the line."""
        self.xdotool("mousemove", 0, 0)

    # -- pixels -----------------------------------------------------------------------------------
    def screenshot(self, name):
        self.shots += 1
        path = os.path.join(ARTEFACTS, "%02d-%s.png" % (self.shots, name))
        os.makedirs(ARTEFACTS, exist_ok=True)
        subprocess.run(["import", "-window", "root", path], check=True)
        return path

    def pixel(self, x, y):
        """The colour at a point of the client area, as 0xRRGGBB."""
        b, g, r = self.region(x, y, 1, 1)[:3]
        return (r << 16) | (g << 8) | b

    def region(self, x, y, width, height):
        """The raw pixels (blue first, 4 bytes each) of a rectangle of the client area."""
        wx, wy, _, _ = self.geometry()
        return self.root.get_image(wx + x, wy + y, width, height, X.ZPixmap, 0xffffffff).data

    def reference(self, area, background, texts):
        """The texts over the background in the area, as this build's JUCE draws them."""
        self.prefetch([(area, background, texts)])
        return self.references[reference.spec(area, background, texts)]

    def prefetch(self, requests):
        """Renders the references of (area, background, texts) not rendered yet, in one run."""
        missing = {reference.spec(*r): r[0] for r in requests}
        missing = {key: area for key, area in missing.items() if key not in self.references}
        if missing:
            pictures = reference.parse(self.render(list(missing)), list(missing.values()))
            self.references.update(zip(missing, pictures))

    def differs(self, area, background, texts, tolerance=3):
        """None when the area shows exactly the texts over the background, else what differs."""
        expected = self.reference(area, background, texts)
        count, first = reference.differences(reference.bgrx_rows(self.region(*area), area[2], area[3]), expected, area[:2], tolerance)
        if count == 0:
            return None
        return "%d pixels of %s differ from the reference of %s, first %s" % (
            count, list(area), ", ".join(repr(t["text"]) for t in texts), first)

    def wait_shows(self, area, background, texts, what, timeout=DEADLINE):
        self.reference(area, background, texts)  # rendered before the clock starts
        self.wait(lambda: self.differs(area, background, texts) is None,
                  lambda: "%s: %s" % (what, self.differs(area, background, texts)), timeout)

    def close(self):
        stop(self.app)


class NativeSession(Session):
    """The native build on an Xvfb of its own, in the private machine of
    scripts/private_machine.sh --fresh. QF_INSTALLER is the program, QF_TEXT_RENDERER the
    native test binary that renders reference texts."""

    name = "native"
    reads_versions = False  # only Windows keeps version records in plug-in binaries

    def __init__(self):
        check(os.environ.get("QF_PRIVATE_MACHINE") == "1", "run me through scripts/private_machine.sh --fresh: I clear system folders")
        # Xvfb picks a free display number itself and writes it to the pipe once it listens.
        ready, report = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(report), "-noreset", "-nolisten", "tcp",
                                      "-screen", "0", "1600x1200x24"],
                                     pass_fds=(report,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(report)
        with os.fdopen(ready) as f:
            number = f.readline().strip()
        check(number.isdigit(), "Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number
        super().__init__()

    def install_folder(self, format_):
        return format_["linuxFolder"]

    def reset_machine(self):
        for format_ in SCREEN["formats"]:
            shutil.rmtree(format_["linuxFolder"], ignore_errors=True)
        shutil.rmtree("/opt/Quillfen", ignore_errors=True)

    def launch(self, *args):
        # A copy still running keeps its window; one that ended may see its id given anew.
        earlier = (self.window.id,) if self.app is not None and self.app.poll() is None else ()
        self.park_pointer()
        self.app = subprocess.Popen([os.environ["QF_INSTALLER"], *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.window = None

        def painted():
            check(self.app.poll() is None, "the program exited early: %s" % self.output())
            try:
                self.window = self.window or self.find_window(besides=earlier)
                return self.window is not None and self.pixel(300, 3) == colour("topStrip")
            except XError:
                # The window found went away before its geometry was read: the program's window
                # is not there yet, so look again.
                self.window = None
                return False

        self.wait(painted, "no painted window titled qf_installer", timeout=20)
        return self.window

    def geometry(self):
        g = self.window.get_geometry()
        root = self.window.translate_coords(self.root, 0, 0)
        return (-root.x, -root.y, g.width, g.height)

    def resize_larger(self):
        # JUCE 7's X11 peer leaves the aspect ratio to the window manager (only Windows enforces
        # the constrainer natively), and this display has none: the test asks for a square.
        self.window.configure(width=800, height=800)
        self.display.sync()
        self.wait(lambda: self.geometry()[2:] == (800, 800), "the window did not take 800 x 800")

    def render(self, specs):
        command = shlex.split(os.environ["QF_TEXT_RENDERER"])
        return subprocess.run(command + ["--render-text", *specs], check=True, capture_output=True, timeout=60).stdout.decode()

    def output(self):
        if self.app is None or self.app.poll() is None:
            return ""
        return self.app.stdout.read().decode(errors="replace")

    def close(self):
        if self.app is not None and self.app.poll() is None:
            self.app.send_signal(signal.SIGINT)
        super().close()
        stop(self.xvfb)


class WineSession(Session):
    """The Windows build under Wine, on the display and wineserver of the Wine session, in its
    prefix. QF_WINDOWS_EXE and QF_WINDOWS_TESTS are the two programs, QF_WINE_RUN the suite's
    runner of Windows programs (tests/windows/wine-run.sh.in), whose environment (the prefix, the
    session's display, Wine's settings) every Windows program started here runs in."""

    name = "wine"
    reads_versions = True

    def __init__(self):
        listed = subprocess.run(["bash", os.environ["QF_WINE_RUN"], "--environment"], check=True, capture_output=True).stdout
        self.environment = dict(entry.split("=", 1) for entry in listed.decode().split("\0") if "=" in entry)
        check("DISPLAY" in self.environment, "no Wine session is running: start one with %s --start-session" % os.environ["QF_WINE_RUN"])
        os.environ["DISPLAY"] = self.environment["DISPLAY"]
        self.drive_c = os.path.join(self.environment["WINEPREFIX"], "drive_c")
        self.common_files = os.path.join(self.drive_c, "Program Files", "Common Files")
        self.moved_plugins = os.path.join(self.drive_c, "Moved Plug-Ins")
        self.log = tempfile.TemporaryFile()
        self.client = None  # x, y, width, height of the client area within the X window
        super().__init__()

    def install_folder(self, format_):
        return os.path.join(self.common_files, *format_["windowsFolder"].split("/"))

    def reset_machine(self):
        """What earlier flows left in the prefix: installed items, the shared settings file, and
        plug-in folders moved elsewhere with a link left in their place."""
        tops = {f["windowsFolder"].split("/")[0] for f in SCREEN["formats"]}
        for path in [os.path.join(self.common_files, top) for top in tops] + [os.path.join(self.drive_c, "ProgramData", "Quillfen"),
                                                                              self.moved_plugins]:
            if os.path.islink(path):
                os.unlink(path)
            shutil.rmtree(path, ignore_errors=True)

    def wine(self, *args, **kwargs):
        return subprocess.Popen(["wine", *args], env=self.environment, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log, **kwargs)

    def launch(self, *args):
        """Starts the installer and waits for its first frame; a start that Wine fails (the
        program exits or never shows a window) is tried once more."""
        for attempt in (1, 2):
            try:
                return self._launch_once(args)
            except WineFailure as e:
                print("driver: Wine failed to start the installer (%s)%s" % (e, "; trying once more" if attempt == 1 else ""))
                print(self.output())
                if attempt == 2:
                    raise
                stop(self.app)

    def _launch_once(self, args):
        self.park_pointer()
        self.app = self.wine(os.environ.get("QF_WINDOWS_EXE"), *args)
        self.window = None
        end = time.time() + 60
        while time.time() < end:
            if self.app.poll() is not None:
                raise WineFailure("it exited with status %d before showing a window" % self.app.returncode)
            self.window = self.find_window()
            try:
                if self.window is not None and self.measure_client_area():
                    return self.window
            except XError:
                pass  # that window went; look again
            time.sleep(0.05)
        raise WineFailure("no painted window titled qf_installer within 60 s")

    def measure_client_area(self):
        """Finds the client area in the X window by the screen's top strip, which spans the
        client area's full width at its top edge; Wine may or may not draw a frame around it."""
        g = self.window.get_geometry()
        width, height = g.width, g.height
        root = self.window.translate_coords(self.root, 0, 0)
        data = self.root.get_image(-root.x, -root.y, width, height, X.ZPixmap, 0xffffffff).data
        strip = colour("topStrip")
        for y in range(height):
            row = data[y * width * 4:(y + 1) * width * 4]
            runs = [x for x in range(width) if (row[4 * x + 2] << 16 | row[4 * x + 1] << 8 | row[4 * x]) == strip]
            if len(runs) >= 64 and runs[-1] - runs[0] + 1 == len(runs):
                # The client area is square and starts at the strip's top-left corner.
                self.client = (runs[0], y, len(runs), min(len(runs), height - y))
                return True
        return False

    def geometry(self):
        root = self.window.translate_coords(self.root, 0, 0)
        cx, cy, cw, ch = self.client
        return (-root.x + cx, -root.y + cy, cw, ch)

    def resize_larger(self):
        """Pulls the frame's bottom-right corner further right than down, as a user would."""
        start = self.window.get_geometry()
        cx, cy, width, height = self.client
        frame = (start.width - width, start.height - height)  # the frame's share of each side
        x, y = start.width - 2 - cx, start.height - 2 - cy
        step, steps = (20, 10), 10
        self.move_to(x, y)
        self.xdotool("mousedown", 1)
        wx, wy, _, _ = self.geometry()
        for i in range(1, steps + 1):
            self.xdotool("mousemove", wx + x + step[0] * i, wy + y + step[1] * i)
        self.xdotool("mouseup", 1)

        # Wine goes on sizing after the button is let go, through every move it has yet to take,
        # and a slow program may show each size for a while. The client area stays square and
        # follows the larger pull, to the right, so the drag is over once the client area is the
        # pointer's last move wide and the program has painted it. (Half way, it is already as
        # much taller as the pointer went down: that size is no end.)
        side = width + step[0] * steps

        def settled():
            g = self.window.get_geometry()
            return (g.width, g.height) == (side + frame[0], side + frame[1]) and self.measure_client_area() and self.client[2:] == (side, side)

        self.wait(settled, lambda: "the window did not grow to a client area of %d x %d: %s, client area %s" % (side, side, self.window.get_geometry(), self.client))

    def render(self, specs):
        with tempfile.TemporaryFile() as out:
            status = subprocess.run(["wine", os.environ["QF_WINDOWS_TESTS"], "--render-text", *specs], env=self.environment,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=out, timeout=120).returncode
            out.seek(0)
            output = out.read().decode(errors="replace")
        check(status == 0, "the reference rendering failed (%d): %s" % (status, output))
        area = json.loads(specs[0])["area"]
        return output[output.index("%d %d" % (area[2], area[3])):]  # Wine may print lines of its own first

    def output(self):
        self.log.seek(0)
        text = self.log.read().decode(errors="replace").strip()
        status = "" if self.app is None or self.app.poll() is None else "exit status %d; " % self.app.returncode
        return "%sWine's output: %s" % (status, text or "(none)")

    def close(self):
        super().close()
        self.log.close()


def main(*tests):
    """python3 FILE native|wine [TEST...]: runs the tests named (all without names), each with a
    fresh session and machine, and reports like a test runner. python3 FILE --list names them."""
    if sys.argv[1] == "--list":
        print(";".join(t.__name__ for t in tests))
        return
    kind = {"native": NativeSession, "wine": WineSession}[sys.argv[1]]
    chosen = [t for t in tests if not sys.argv[2:] or t.__name__ in sys.argv[2:]]
    check(chosen, "no test named %s" % sys.argv[2:])
    failed = 0
    for test in chosen:
        session = None
        try:
            session = kind()
            session.reset_machine()
            test(session)
            print("PASS %s" % test.__name__)
        except Exception as e:  # a failure of any kind fails the test, with a screenshot
            failed += 1
            print("FAIL %s: %s" % (test.__name__, e))
            if not isinstance(e, Failure):
                traceback.print_exc(file=sys.stdout)
            if session is not None:
                try:
                    print("screenshot kept in %s" % session.screenshot("failure-" + test.__name__))
                except Exception:
                    pass
                print(session.output())
        finally:
            if session is not None:
                session.close()
    sys.exit(1 if failed else 0)
