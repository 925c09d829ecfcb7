"""Start-up of the installer against a bare JUCE window: from process start to the first paint of
its window, seen as the top bar's 0094d8 on a private Xvfb. Prints figures and one goal."""

import os
import signal
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.environ["QF_XDRIVER_DIR"])
from xdriver import Session, near  # noqa: E402

RUNS = int(os.environ.get("QF_BENCH_STARTUP_RUNS", "9"))


def first_paint(session, binary, title):
    start = time.perf_counter()
    app = subprocess.Popen([binary], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.app = app
    try:
        end = start + 20
        while time.perf_counter() < end:
            try:
                window = session._find(session.display.screen().root, title)
            except Exception:
                window = None  # a window went away while the tree was walked
            if window is not None:
                session.window = window
                try:
                    if near(session.pixel(300, 2), 0x0094d8):
                        return time.perf_counter() - start
                except Exception:
                    pass  # not mapped yet
            time.sleep(0.001)
        raise RuntimeError("%s showed no painted window" % title)
    finally:
        app.send_signal(signal.SIGINT)
        try:
            app.wait(timeout=10)
        except subprocess.TimeoutExpired:
            app.kill()
            app.wait()


def main():
    session = Session()
    try:
        apps = [("bare JUCE window", os.environ["QF_BARE_WINDOW"], "qf_bare_window"),
                ("installer", os.environ["QF_INSTALLER"], "qf_installer")]
        times = {name: [] for name, _, _ in apps}
        for run in range(RUNS + 1):
            for name, binary, title in apps:
                t = first_paint(session, binary, title)
                if run > 0:  # the first start reads the binaries from disk
                    times[name].append(t)
    finally:
        session.close()

    bare = statistics.median(times["bare JUCE window"])
    ours = statistics.median(times["installer"])
    fonts = sum(len(files) for _, _, files in os.walk("/usr/share/fonts"))
    print("Start-up to the first paint of the main window (median of %d, private Xvfb, %d font files)"
          % (RUNS, fonts))
    print("  %-36s %8.1f ms" % ("bare JUCE window", bare * 1e3))
    print("  %-36s %8.1f ms" % ("installer", ours * 1e3))
    ratio = ours / bare
    print("  %-4s %-58s %.2f x" % ("PASS" if ratio <= 1.3 else "FAIL",
                                    "start-up within 1.3 x the bare JUCE window", ratio))
    return 0 if ratio <= 1.3 else 1


if __name__ == "__main__":
    sys.exit(main())  # an error exits 1 without a goal line, which bench.sh reads as not measured
