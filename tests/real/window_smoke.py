"""The installer opens its square window titled "qf_installer" and quits on a close request,
removing a leftover /tmp/script.sh but never a folder of that name."""

import os

from xdriver import check, main, near


def window_opens_square_and_closes_cleanly(session):
    with open("/tmp/script.sh", "w") as f:
        f.write("#!/bin/sh\n")

    session.launch("--some", "ignored", "arguments")
    x, y, width, height = session.geometry()
    check((width, height) == (600, 600), "client area is %dx%d" % (width, height))

    # Centred on the 1600 x 1200 screen.
    check(abs(x - 500) <= 1 and abs(y - 300) <= 1, "window at %d,%d, not centred" % (x, y))
    check(near(session.pixel(300, 300), 0x111111), "background is %06x" % session.pixel(300, 300))
    session.screenshot("main-window")

    session.request_close()
    code = session.wait_for_exit()
    check(code == 0, "exit code %d" % code)
    check(not os.path.exists("/tmp/script.sh"), "script.sh is still there")


def a_folder_named_script_sh_is_kept(session):
    os.makedirs("/tmp/script.sh/inside")
    session.launch()
    session.request_close()
    session.wait_for_exit()
    check(os.path.isdir("/tmp/script.sh/inside"), "the folder was removed")


def two_copies_run_side_by_side(session):
    first = session.launch()
    first_app = session.app
    session.launch()
    check(first_app.poll() is None, "the first copy quit when the second started")
    first_app.terminate()
    first_app.wait(timeout=10)


if __name__ == "__main__":
    main(window_opens_square_and_closes_cleanly, a_folder_named_script_sh_is_kept, two_copies_run_side_by_side)
