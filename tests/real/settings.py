"""The real installer settles its install folders from /opt/Quillfen/RackhandSettings.txt at
start-up: it writes the file only when the maker's folder exists, and creates a missing folder
named in it. Runs in the private mount namespace of sandbox.sh, so /opt and /usr/lib are private."""

import os

from xdriver import check, main

NOTE = ("These are the paths that all Quillfen installers will use for their respective formats. "
        "Edit them to personal taste, but keep in mind that some formats have specific homes. "
        "Use this feature at your own risk; follow the naming and separator conventions exactly as you "
        "see them, or you could end up with unintended consequences. If you delete this file, the next "
        "time you run the Rackhand for any QF product, a new one with the default locations will be written.")

SETTINGS = "/opt/Quillfen/RackhandSettings.txt"


def run_once(session):
    session.launch()
    session.request_close()
    check(session.wait_for_exit() == 0, "the program did not exit cleanly")


def tree(root):
    return sorted(os.path.join(d, n) for d, dirs, files in os.walk(root) for n in dirs + files)


def no_makers_folder_leaves_the_disk_unchanged(session):
    before = (tree("/opt"), [os.path.exists(p) for p in ("/usr/lib/vst3", "/usr/lib/clap", "/usr/lib/aax")])
    run_once(session)
    after = (tree("/opt"), [os.path.exists(p) for p in ("/usr/lib/vst3", "/usr/lib/clap", "/usr/lib/aax")])
    check(before == after, "the disk changed: %r -> %r" % (before, after))


def with_the_makers_folder_the_file_is_written_exactly(session):
    os.makedirs("/opt/Quillfen", exist_ok=True)
    if os.path.exists(SETTINGS):
        os.remove(SETTINGS)
    run_once(session)
    expected = ('<?xml version="1.0" encoding="UTF-8"?>\r\n\r\n'
                '<Rackhand_Settings Important_Note:="%s"\r\n' % NOTE
                + " " * 18 + ' CLAP_Path="/usr/lib/clap" VST3_Path="/usr/lib/vst3" AAX_Path="/usr/lib/aax"/>\r\n')
    with open(SETTINGS, "rb") as f:
        written = f.read().decode("utf-8")
    check(written == expected, "settings file differs:\n%r" % written)
    check(os.listdir("/opt/Quillfen") == ["RackhandSettings.txt"], "left over: %r" % os.listdir("/opt/Quillfen"))


def a_missing_nested_folder_is_created(session):
    os.makedirs("/opt/Quillfen", exist_ok=True)
    with open(SETTINGS, "w") as f:
        f.write('<Rackhand_Settings CLAP_Path="/opt/plugins/deep/CLAP" VST3_Path="/usr/lib/vst3" AAX_Path="/usr/lib/aax"/>')
    before = open(SETTINGS).read()
    run_once(session)
    check(os.path.isdir("/opt/plugins/deep/CLAP"), "the CLAP folder was not created")
    check(open(SETTINGS).read() == before, "the settings file was rewritten")


if __name__ == "__main__":
    main(no_makers_folder_leaves_the_disk_unchanged, with_the_makers_folder_the_file_is_written_exactly,
         a_missing_nested_folder_is_created)
