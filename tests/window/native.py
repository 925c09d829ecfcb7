"""What only the native build does at start-up and at the end, in the private machine of
scripts/private_machine.sh --fresh: its square window centred on the screen, a leftover
/tmp/script.sh removed on quitting, two copies side by side, and the shared settings file under
/opt settled from the Linux defaults.
    python3 native.py native [TEST...]"""

import os

from driver import SCREEN, centre, check, colour, main, near

SETTINGS = "/opt/Quillfen/RackhandSettings.txt"
GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden", "RackhandSettings-linux.txt")
FOLDERS = [f["linuxFolder"] for f in SCREEN["formats"]]


def window_opens_square_and_centred_and_quitting_removes_only_a_script_file(session):
    with open("/tmp/script.sh", "w") as f:
        f.write("#!/bin/sh\n")
    session.launch("--some", "ignored", "arguments")
    x, y, width, height = session.geometry()
    size = SCREEN["size"]
    check((width, height) == (size, size), "client area is %dx%d" % (width, height))
    screen = session.root.get_geometry()
    check(abs(x - (screen.width - size) // 2) <= 1 and abs(y - (screen.height - size) // 2) <= 1,
          "window at %d,%d, not centred on the %d x %d screen" % (x, y, screen.width, screen.height))
    check(near(session.pixel(*centre("notice")), colour("background")), "background is %06x" % session.pixel(*centre("notice")))
    session.close_and_check_exit("on a close request")
    check(not os.path.exists("/tmp/script.sh"), "script.sh is still there")

    os.makedirs("/tmp/script.sh/inside")
    first = session.launch()
    first_app = session.app
    session.launch()
    check(first_app.poll() is None, "the first copy quit when the second started")
    session.close_and_check_exit("of the second copy")
    session.app, session.window = first_app, first
    session.close_and_check_exit("of the first copy")
    check(os.path.isdir("/tmp/script.sh/inside"), "a folder named script.sh was removed")


def run_once(session):
    session.launch()
    session.close_and_check_exit("after start-up")


def tree(root):
    return sorted(os.path.join(d, n) for d, dirs, files in os.walk(root) for n in dirs + files)


def settings_are_written_only_into_the_makers_folder_and_name_folders_that_get_made(session):
    before = (tree("/opt"), [os.path.exists(p) for p in FOLDERS])
    run_once(session)
    check((tree("/opt"), [os.path.exists(p) for p in FOLDERS]) == before, "without the maker's folder the disk changed")

    os.makedirs("/opt/Quillfen")
    run_once(session)
    with open(SETTINGS, "rb") as written, open(GOLDEN, "rb") as golden:
        check(written.read() == golden.read(), "the settings file differs from %s" % GOLDEN)
    check(os.listdir("/opt/Quillfen") == ["RackhandSettings.txt"], "left over: %r" % os.listdir("/opt/Quillfen"))

    text = '<Rackhand_Settings CLAP_Path="/opt/plugins/deep/CLAP" VST3_Path="/usr/lib/vst3" AAX_Path="/usr/lib/aax"/>'
    with open(SETTINGS, "w") as f:
        f.write(text)
    run_once(session)
    check(os.path.isdir("/opt/plugins/deep/CLAP"), "a missing nested CLAP folder was not created")
    with open(SETTINGS) as f:
        check(f.read() == text, "the settings file was rewritten")


if __name__ == "__main__":
    main(window_opens_square_and_centred_and_quitting_removes_only_a_script_file,
         settings_are_written_only_into_the_makers_folder_and_name_folders_that_get_made)
