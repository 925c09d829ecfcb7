"""Drives the Windows build in a real window: qf_installer.exe under Wine, on a private Xvfb, in
a private Wine prefix, with real mouse and keys. Builds on tests/real/xdriver.py; coordinates
are those of the window's client area, found on the screen by its top strip.

Environment: QF_WINDOWS_EXE and QF_WINDOWS_TESTS (the two .exe files), QF_WINEPREFIX (the
prefix, made here on first use), QF_ARTEFACTS (screenshots of failures are kept there)."""

import fcntl
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "real"))

import reference  # noqa: E402
import xdriver  # noqa: E402
from Xlib.error import XError  # noqa: E402
from xdriver import Failure, check  # noqa: E402,F401

EXE = os.environ.get("QF_WINDOWS_EXE", "")
TESTS_EXE = os.environ.get("QF_WINDOWS_TESTS", "")
PREFIX = os.environ.get("QF_WINEPREFIX", "")
DRIVE_C = os.path.join(PREFIX, "drive_c")
COMMON_FILES = os.path.join(DRIVE_C, "Program Files", "Common Files")
MOVED_PLUGINS = os.path.join(DRIVE_C, "Moved Plug-Ins")
WINE_TIMEOUT = 120

TOP_STRIP = 0x0094D8


class WineFailure(Failure):
    """Wine itself failed: the program never came up. Such a run may be tried once more."""


def wine_environment():
    env = dict(os.environ, WINEPREFIX=PREFIX, WINEARCH="win64", WINEDEBUG="-all,err+virtual",
               WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d")
    env.pop("WAYLAND_DISPLAY", None)
    return env


def windows_path(path):
    """The path as Wine's programs see it: the host's root is drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wineserver(*args, timeout=60):
    subprocess.run(["wineserver", *args], env=wine_environment(), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout, check=False)


def prepare_prefix():
    """Makes the prefix once, under a lock, with Wine's crash dialog off. Programs get real X
    windows, which Wine frames itself as Windows would (there is no window manager here), so
    the frame can be dragged and Windows' own sizing rules apply."""
    ready = os.path.join(PREFIX, ".qf-ready")
    if os.path.exists(ready):
        return
    os.makedirs(os.path.dirname(PREFIX), exist_ok=True)
    with open(PREFIX + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(ready):
            return
        shutil.rmtree(PREFIX, ignore_errors=True)
        quiet = dict(env=wine_environment(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineboot", "--init"], timeout=300, check=True, **quiet)
        subprocess.run(["wine", "reg", "add", "HKCU\\Software\\Wine\\WineDbg", "/v", "ShowCrashDialog",
                        "/t", "REG_DWORD", "/d", "0", "/f"], timeout=60, check=True, **quiet)
        subprocess.run(["wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"],
                       timeout=60, check=True, **quiet)
        subprocess.run(["wineserver", "-w"], timeout=60, **quiet)
        open(ready, "w").close()


class WineSession(xdriver.Session):
    """One private X server and one wineserver for one test."""

    def __init__(self):
        super().__init__()
        self.log = tempfile.TemporaryFile()
        self.client = None  # x, y, width, height of the client area within the X window
        try:
            prepare_prefix()
            self.reset_machine()
            # One wineserver for the whole test, its output away from the test's own, so that no
            # Wine process outliving a run holds the test runner's pipe open.
            subprocess.run(["wineserver", "-p"], env=self.env(), stdin=subprocess.DEVNULL,
                           stdout=self.log, stderr=self.log, timeout=60, check=False)
        except BaseException:
            self.close()
            raise

    def env(self):
        return wine_environment()  # DISPLAY is this session's, set by xdriver.Session

    def reset_machine(self):
        """What earlier runs left in the prefix: installed items, the shared settings file, and
        plug-in folders moved elsewhere with a link left in their place."""
        for path in (os.path.join(COMMON_FILES, "VST3"), os.path.join(COMMON_FILES, "CLAP"),
                     os.path.join(COMMON_FILES, "Avid"), os.path.join(DRIVE_C, "ProgramData", "Quillfen"),
                     MOVED_PLUGINS):
            if os.path.islink(path):
                os.unlink(path)
            shutil.rmtree(path, ignore_errors=True)

    def start_holder(self, path, markers, hold_ms):
        """Starts a second Windows process that, once markers + ".go" appears, holds a file open
        without delete sharing for hold_ms; markers + ".ready" tells it waits, markers + ".let-go"
        that it has let go (qf_tests.exe --qf-hold-open, see tests/WindowsTestHelpers.h)."""
        return subprocess.Popen(["wine", TESTS_EXE, "--qf-hold-open", path, windows_path(markers), str(hold_ms), "--after-go"],
                                env=self.env(), stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)

    # -- the program ------------------------------------------------------------------------------
    def launch(self, *args):
        """Starts the installer and waits for its first frame; a start that Wine fails (the
        program exits or never shows a window) is tried once more."""
        for attempt in (1, 2):
            try:
                return self._launch_once(args)
            except WineFailure as e:
                print("wine_window: Wine failed to start the installer (%s)%s" %
                      (e, "; trying once more" if attempt == 1 else ""))
                print(self.wine_log())
                if attempt == 2:
                    raise
                self.stop_app()

    def _launch_once(self, args):
        self.app = subprocess.Popen(["wine", EXE, *args], env=self.env(), stdin=subprocess.DEVNULL,
                                    stdout=self.log, stderr=self.log)
        end = time.time() + 60
        while time.time() < end:
            if self.app.poll() is not None:
                raise WineFailure("it exited with status %d before showing a window" % self.app.returncode)
            found = self._find(self.display.screen().root, "qf_installer")
            if found is not None:
                self.window = found
                try:
                    if self.measure_client_area(timeout=20):
                        return self.window
                except XError:
                    pass  # that window went; look again
            time.sleep(0.1)
        raise WineFailure("no painted window titled qf_installer within 60 s")

    def _find(self, window, title):
        # Wine makes and destroys helper windows of its own while the program starts; one can go
        # between being listed and being asked about.
        try:
            children = window.query_tree().children
        except XError:
            return None
        for child in children:
            try:
                name = child.get_full_text_property(xdriver.Xatom.WM_NAME, xdriver.X.AnyPropertyType)
                if name == title and child.get_attributes().map_state == xdriver.X.IsViewable:
                    return child
            except XError:
                continue
            found = self._find(child, title)
            if found is not None:
                return found
        return None

    def measure_client_area(self, timeout=5.0):
        """Finds the client area in the X window by the screen's top strip, which spans the
        client area's full width at its top edge; Wine may or may not draw a frame around it."""
        end = time.time() + timeout
        while True:
            g = self.window.get_geometry()
            width, height = g.width, g.height
            root = self.window.translate_coords(self.display.screen().root, 0, 0)
            data = self.display.screen().root.get_image(-root.x, -root.y, width, height, xdriver.X.ZPixmap, 0xffffffff).data
            found = None
            for y in range(height):
                row = data[y * width * 4:(y + 1) * width * 4]
                runs = [x for x in range(width) if (row[4 * x + 2] << 16 | row[4 * x + 1] << 8 | row[4 * x]) == TOP_STRIP]
                if len(runs) >= 64 and runs[-1] - runs[0] + 1 == len(runs):
                    found = (runs[0], y, len(runs))
                    break
            if found is not None:
                x, y, w = found
                # The client area is square and starts at the strip's top-left corner.
                self.client = (x, y, w, min(w, height - y))
                return True
            if time.time() >= end:
                return False
            time.sleep(0.1)

    def geometry(self):
        root = self.window.translate_coords(self.display.screen().root, 0, 0)
        cx, cy, cw, ch = self.client
        return (-root.x + cx, -root.y + cy, cw, ch)

    def output(self):
        return self.wine_log()

    def wine_log(self):
        self.log.seek(0)
        text = self.log.read().decode(errors="replace").strip()
        status = "" if self.app is None or self.app.poll() is None else "exit status %d; " % self.app.returncode
        return "%sWine's output: %s" % (status, text or "(none)")

    def wait_for_exit(self, timeout=15.0):
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not exit after the close request")

    def stop_app(self):
        if self.app is not None:
            stop(self.app)

    def run_windows_program(self, *args, timeout=WINE_TIMEOUT):
        """Runs a Windows program in this session and returns its exit status and output. The
        output goes through a file: Wine's own background processes, which the program may
        start, keep a pipe open long after it has ended."""
        with tempfile.TemporaryFile() as out:
            status = subprocess.run(["wine", *args], env=self.env(), stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=out, timeout=timeout).returncode
            out.seek(0)
            return status, out.read().decode(errors="replace")

    def frame_corner(self):
        """The bottom-right corner of the window's frame, in client coordinates."""
        g = self.window.get_geometry()
        cx, cy, _, _ = self.client
        return g.width - 2 - cx, g.height - 2 - cy

    # -- mouse --------------------------------------------------------------------------------------
    def drag(self, x0, y0, x1, y1, steps=10):
        self.move_to(x0, y0)
        self.xdotool("mousedown", 1)
        wx, wy, _, _ = self.geometry()
        for i in range(1, steps + 1):
            self.xdotool("mousemove", wx + x0 + (x1 - x0) * i // steps, wy + y0 + (y1 - y0) * i // steps)
            time.sleep(0.05)
        self.xdotool("mouseup", 1)
        time.sleep(0.8)

    # -- pixels -------------------------------------------------------------------------------------
    def rgb_region(self, x, y, width, height):
        """A rectangle of the client area as rows of (r, g, b)."""
        return reference.bgrx_rows(self.region(x, y, width, height), width, height)

    def wait_for(self, condition, timeout=3.0):
        end = time.time() + timeout
        while time.time() < end:
            if condition():
                return True
            time.sleep(0.05)
        return condition()

    def reference(self, kind, text, width, height, font_height, justification, ink, background):
        """The text as this build's JUCE draws it in the program's typeface, as rows of (r, g, b):
        "label" as a JUCE label of that size shows it, "text" as drawText into a box of that size."""
        make = reference.label if kind == "label" else reference.boxed
        texts = [make(text, font_height, "%08x" % ink, (0, 0, width, height), justification)]
        area = (0, 0, width, height)
        status, output = self.run_windows_program(
            TESTS_EXE, "--render-text", reference.spec(area, "ff%06x" % background, texts))
        check(status == 0, "the reference rendering failed (%d): %s" % (status, output))
        # Wine may add lines of its own before the picture.
        picture = output[output.index("%d %d" % (width, height)):]
        return reference.parse(picture, area)

    # -- teardown -----------------------------------------------------------------------------------
    def close(self):
        for step in (self.stop_app, lambda: wineserver("-k"), lambda: wineserver("-w"), self.log.close):
            try:
                step()
            except Exception as e:  # the X server below must go whatever happened here
                print("wine_window: while closing: %s" % e)
        stop(self.xvfb)


def stop(process):
    """Ends a process that may still run, by force if it does not end by itself in time."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=10)


def differing_pixels(actual, expected, tolerance):
    """How many pixels of two pictures (rows of (r, g, b)) differ by more than the tolerance."""
    return reference.differences(actual, expected, tolerance=tolerance)[0]


def run(test):
    session = None
    keep = xdriver.ARTEFACTS
    shots = tempfile.mkdtemp(prefix="qf_wine_window")
    xdriver.ARTEFACTS = shots  # kept only when the test fails
    try:
        session = WineSession()
        test(session)
        print("PASS %s" % test.__name__)
        return 0
    except Exception as e:  # a failure of any kind fails the test, with a screenshot
        if session is not None:
            try:
                session.screenshot("failure-" + test.__name__)
            except Exception:
                pass
        print("FAIL %s: %s" % (test.__name__, e))
        if not isinstance(e, Failure):
            traceback.print_exc(file=sys.stdout)
        if session is not None:
            print(session.wine_log())
        os.makedirs(keep, exist_ok=True)
        for name in os.listdir(shots):
            shutil.copy(os.path.join(shots, name), keep)
        print("screenshots kept in %s" % keep)
        return 1
    finally:
        xdriver.ARTEFACTS = keep
        shutil.rmtree(shots, ignore_errors=True)
        if session is not None:
            session.close()


def main(*tests):
    """Runs the tests named on the command line (all without names), each in its own session."""
    chosen = [t for t in tests if not sys.argv[1:] or t.__name__ in sys.argv[1:]]
    check(chosen, "no test named %s" % sys.argv[1:])
    sys.exit(max(run(t) for t in chosen))
