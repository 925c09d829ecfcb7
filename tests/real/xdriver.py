"""Drives the real installer in a real X window: start it, find its window, use mouse and keys,
read pixels and take screenshots. Runs inside the sandbox of sandbox.sh, on a fresh Xvfb."""

import os
import signal
import subprocess
import sys
import time

from Xlib import X, Xatom, display, protocol
from Xlib.error import XError

import reference

INSTALLER = os.environ.get("QF_INSTALLER", "")
ARTEFACTS = os.environ.get("QF_ARTEFACTS", "/tmp")

# Atoms JUCE only uses when they already exist; a bare X server has none of them until a
# window manager would create them.
WM_ATOMS = ["WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING", "WM_STATE",
            "WM_CHANGE_STATE", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_WINDOW_TYPE",
            "_NET_WM_WINDOW_TYPE_NORMAL", "_MOTIF_WM_HINTS", "_NET_WORKAREA", "_NET_FRAME_EXTENTS"]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Session:
    def __init__(self, screen="1600x1200x24"):
        # Xvfb picks a free display number itself and writes it to the pipe once it listens,
        # so sessions never collide with each other or with a server still shutting down.
        ready, report = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(report), "-noreset", "-nolisten", "tcp",
                                      "-screen", "0", screen],
                                     pass_fds=(report,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(report)
        with os.fdopen(ready) as f:
            number = f.readline().strip()
        check(number.isdigit(), "Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number
        self.display = None

        for _ in range(100):
            try:
                self.display = display.Display()
                break
            except Exception:
                time.sleep(0.05)

        check(self.display is not None, "Xvfb did not start")
        for name in WM_ATOMS:
            self.display.intern_atom(name, only_if_exists=False)
        self.display.sync()
        self.app = None
        self.window = None
        self.shots = 0

    # -- the program ------------------------------------------------------------------------------
    def launch(self, *args):
        self.app = subprocess.Popen([INSTALLER, *args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.window = self.wait_for_window("qf_installer")
        return self.window

    def wait_for_window(self, title, timeout=20.0):
        end = time.time() + timeout
        while time.time() < end:
            check(self.app is None or self.app.poll() is None, "the program exited early: %s" % self.output())
            found = self._find(self.display.screen().root, title)
            if found is not None and found.get_attributes().map_state == X.IsViewable:
                time.sleep(0.5)  # first paint
                return found
            time.sleep(0.1)
        raise Failure("no window titled %r appeared" % title)

    def _find(self, window, title):
        for child in window.query_tree().children:
            try:
                # JUCE writes the title as UTF8_STRING, which get_wm_name() does not read.
                name = child.get_full_text_property(Xatom.WM_NAME, X.AnyPropertyType)
            except Exception:
                name = None
            if name == title:
                return child
            found = self._find(child, title)
            if found is not None:
                return found
        return None

    def output(self):
        if self.app is None or self.app.poll() is None:
            return ""
        return self.app.stdout.read().decode(errors="replace")

    def geometry(self):
        g = self.window.get_geometry()
        root = self.window.translate_coords(self.display.screen().root, 0, 0)
        return (-root.x, -root.y, g.width, g.height)

    def request_close(self):
        """What a window manager sends when the user clicks the title bar's close button."""
        protocols = self.display.intern_atom("WM_PROTOCOLS")
        delete = self.display.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=self.window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        self.window.send_event(event, event_mask=X.NoEventMask)
        self.display.flush()
        self.nudge()

    def nudge(self):
        """Sends the program a client message it ignores, as a desktop's steady traffic would.

        JUCE's event loop on Linux only looks for X events when its connection becomes readable.
        Any round trip the program makes outside that handling (JUCE makes some from timers and
        asynchronous updates) reads the events that arrive meanwhile into Xlib's queue, where
        they wait until something else arrives. On a desktop something always does; a test
        that sends one event and then waits would wait in vain. A nudge is that something: it
        changes nothing, and a program that ignored an event still ignores it."""
        if self.window is None:
            return
        try:
            event = protocol.event.ClientMessage(window=self.window, client_type=self.display.intern_atom("QF_TEST_NUDGE"),
                                                 data=(32, [0, 0, 0, 0, 0]))
            self.window.send_event(event, event_mask=X.NoEventMask)
            self.display.flush()
        except XError:
            pass  # the window went away

    def wait_for_exit(self, timeout=15.0):
        end = time.time() + timeout
        while True:
            try:
                return self.app.wait(timeout=0.25)
            except subprocess.TimeoutExpired:
                if time.time() > end:
                    raise Failure("the program did not exit after the close request")
                self.nudge()

    def resize(self, width, height):
        self.window.configure(width=width, height=height)
        self.display.sync()
        time.sleep(0.8)

    # -- mouse and keys ---------------------------------------------------------------------------
    def xdotool(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], check=True)
        time.sleep(0.02)
        self.nudge()

    def move_to(self, x, y):
        wx, wy, _, _ = self.geometry()
        self.xdotool("mousemove", wx + x, wy + y)
        time.sleep(0.3)

    def click_at(self, x, y):
        self.move_to(x, y)
        self.xdotool("click", 1)
        time.sleep(0.5)

    def key_down(self, key):
        self.xdotool("keydown", key)
        time.sleep(0.4)

    def key_up(self, key):
        self.xdotool("keyup", key)
        time.sleep(0.4)

    # -- pixels -----------------------------------------------------------------------------------
    def screenshot(self, name):
        self.shots += 1
        path = os.path.join(ARTEFACTS, "%02d-%s.png" % (self.shots, name))
        subprocess.run(["import", "-window", "root", path], check=True)
        return path

    def pixel(self, x, y):
        """The colour at a point of the window's client area, as 0xRRGGBB."""
        wx, wy, _, _ = self.geometry()
        image = self.display.screen().root.get_image(wx + x, wy + y, 1, 1, X.ZPixmap, 0xffffffff)
        b, g, r = image.data[0], image.data[1], image.data[2]
        return (r << 16) | (g << 8) | b

    def region(self, x, y, width, height):
        """The raw pixels of a rectangle of the client area, for before/after comparisons."""
        wx, wy, _, _ = self.geometry()
        return self.display.screen().root.get_image(wx + x, wy + y, width, height, X.ZPixmap, 0xffffffff).data

    def shows(self, area, background, texts, timeout=3.0):
        """None once the area (x, y, width, height) of the client area shows exactly the texts
        as the reference renderer draws them over the background; otherwise what differs."""
        return reference.wait_for_match(lambda a: reference.bgrx_rows(self.region(*a), a[2], a[3]),
                                        area, background, texts, timeout, nudge=self.nudge)

    # -- teardown ---------------------------------------------------------------------------------
    def close(self):
        if self.app is not None and self.app.poll() is None:
            self.app.send_signal(signal.SIGINT)
            try:
                self.app.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.app.kill()
        self.xvfb.terminate()
        self.xvfb.wait(timeout=10)


def run(test):
    """Runs one test function with a fresh session and reports like a test runner."""
    session = Session()
    try:
        test(session)
        print("PASS %s" % test.__name__)
        return 0
    except Exception as e:  # a failure of any kind fails the test, with a screenshot
        try:
            session.screenshot("failure")
        except Exception:
            pass
        print("FAIL %s: %s" % (test.__name__, e))
        print(session.output())
        return 1
    finally:
        session.close()


def near(colour, expected, tolerance=3):
    return all(abs(((colour >> s) & 255) - ((expected >> s) & 255)) <= tolerance for s in (0, 8, 16))


def main(*tests):
    sys.exit(max(run(t) for t in tests))
