"""What only the Windows build meets, under Wine: a VST3 folder that is a link to a folder
elsewhere, a CLAP that a second process holds open for a second while it is updated, and a VST3
whose binary a host keeps loaded while it is updated.
    python3 wine.py wine [TEST...]"""

import os
import shutil
import tempfile
import time

from driver import SCREEN, centre, check, main
from flows import check_installed_exactly, click_and_see_notice, shift_click_install, tick, ticked

VST3, CLAP = SCREEN["formats"][0], SCREEN["formats"][1]


def install(session, names, what):
    tick(session, names)
    session.move_to(*centre("INSTALL"))
    click_and_see_notice(session, True, what, names)


def a_linked_vst3_folder_and_a_clap_held_for_a_second_update_like_any_other(session):
    # The VST3 folder moved elsewhere, with a link of the host system left in its place: what a
    # folder link on Windows is to a program under Wine.
    behind = os.path.join(session.moved_plugins, "VST3")
    link = session.install_folder(VST3)
    clap_folder = session.install_folder(CLAP)
    clap = os.path.join(clap_folder, CLAP["item"])
    os.makedirs(behind)
    os.makedirs(os.path.dirname(link), exist_ok=True)
    os.symlink(behind, link)

    session.launch()
    install(session, ["VST3", "CLAP"], "INSTALL")
    check_installed_exactly(behind, VST3)
    check_installed_exactly(clap_folder, CLAP)

    with open(os.path.join(behind, VST3["item"], "old-extra.txt"), "w") as f:
        f.write("from the old version")
    install(session, ["VST3"], "the VST3 update")
    check_installed_exactly(behind, VST3)

    # A host scanning plug-ins opens the CLAP just before the user clicks and holds it for a
    # second, well within the engine's wait of 2 s a call (qf_tests.exe --qf-hold-open, see
    # tests/windows/WindowsTestHelpers.h). The update must wait and then replace it.
    old_clap = os.stat(clap).st_ino
    markers = os.path.join(tempfile.mkdtemp(prefix="qf_holder"), "holder")
    holder = session.wine(os.environ["QF_WINDOWS_TESTS"], "--qf-hold-open", "C:\\Program Files\\Common Files\\CLAP\\" + CLAP["item"],
                          "Z:" + markers.replace("/", "\\"), "1500", "--after-go")
    try:
        session.wait(lambda: os.path.exists(markers + ".ready"), "the second process did not start", timeout=60)
        tick(session, ["CLAP"])
        session.move_to(*centre("INSTALL"))
        open(markers + ".go", "w").close()
        session.wait(lambda: os.path.exists(markers + ".held"), "the second process did not hold the CLAP", timeout=10)
        click_and_see_notice(session, True, "the CLAP update during the hold", ["CLAP"])
        check(holder.wait(timeout=60) == 0, "the second process could not hold the CLAP")
    finally:
        if holder.poll() is None:
            holder.kill()
        holder.wait(timeout=60)
    check(os.path.exists(markers + ".let-go"), "the second process never let go")
    let_go = os.path.getmtime(markers + ".let-go")
    shutil.rmtree(os.path.dirname(markers), ignore_errors=True)
    check(os.stat(clap).st_ctime >= let_go, "the new CLAP was placed before the hold ended: the update never met the hold")
    check(os.stat(clap).st_ino != old_clap, "the CLAP was not replaced")
    check_installed_exactly(clap_folder, CLAP)

    tick(session, ["VST3", "CLAP"])
    shift_click_install(session, "UNINSTALL", ["VST3", "CLAP"])
    for folder in (behind, clap_folder):
        check(os.listdir(folder) == [], "%s is left with %s" % (folder, os.listdir(folder)))
    check(os.path.islink(link) and os.path.realpath(link) == os.path.realpath(behind), "the VST3 folder is no longer the link")


def a_vst3_a_host_keeps_loaded_updates_at_once_and_leaves_no_second_copy(session):
    # An older VST3 whose binary is a real DLL, which a second process keeps loaded with
    # LoadLibraryW as a running host does (qf_tests.exe --qf-hold-loaded, see
    # tests/windows/WindowsTestHelpers.h): Windows lets it be renamed, not deleted.
    folder = session.install_folder(VST3)
    binary = os.path.join(folder, VST3["item"], *VST3["binary"].split("/"))
    os.makedirs(os.path.dirname(binary))
    shutil.copyfile(os.environ["QF_LOADABLE_DLL"], binary)
    markers = os.path.join(tempfile.mkdtemp(prefix="qf_holder"), "holder")
    windows_binary = "C:\\Program Files\\Common Files\\" + VST3["windowsFolder"] + "\\" + VST3["item"] + "\\" + VST3["binary"].replace("/", "\\")
    holder = session.wine(os.environ["QF_WINDOWS_TESTS"], "--qf-hold-loaded", windows_binary, "Z:" + markers.replace("/", "\\"), "-1")
    try:
        session.wait(lambda: os.path.exists(markers + ".held"), "the second process did not load the old binary", timeout=60)
        session.launch()
        # Installed formats start ticked.
        session.wait(lambda: ticked(session, "VST3"), "the installed VST3 does not start ticked")
        session.move_to(*centre("INSTALL"))
        clicked = time.monotonic()
        click_and_see_notice(session, True, "the update of the loaded VST3", ["VST3"])
        took = time.monotonic() - clicked
        print("the update of the loaded VST3 showed its notice %.2f s after the click" % took)
        check_installed_exactly(folder, VST3)
        loadable = [os.path.relpath(os.path.join(parent, name), folder) for parent, dirs, files in os.walk(folder)
                    for name in dirs + files if name.lower().endswith(".vst3")]
        expected = [VST3["item"], os.path.join(VST3["item"], *VST3["binary"].split("/"))]
        check(sorted(loadable) == sorted(expected), "a host finds more than one copy: %s" % sorted(loadable))
    finally:
        open(markers + ".release", "w").close()
        try:
            holder.wait(timeout=60)
        finally:
            if holder.poll() is None:
                holder.kill()
    check(os.path.exists(markers + ".let-go"), "the second process never let go of the binary")
    shutil.rmtree(os.path.dirname(markers), ignore_errors=True)

    # With the host gone, the next run removes what it could not before. The same update without
    # a hold, timed alike, tells the hold's share of the time above from the machine's.
    tick(session, ["VST3"])
    session.move_to(*centre("INSTALL"))
    clicked = time.monotonic()
    click_and_see_notice(session, True, "the update after the host quit", ["VST3"])
    unheld = time.monotonic() - clicked
    print("the same update with no host holding the VST3 showed its notice %.2f s after the click" % unheld)
    check(os.listdir(folder) == [VST3["item"]], "the VST3 folder holds %s after the host quit" % sorted(os.listdir(folder)))
    check_installed_exactly(folder, VST3)

    # A held DLL's delete is refused at once, never waited on, so the notice is on screen within
    # the 3 s a click may take before Windows could judge the window hung.
    check(took < 3.0, "the update of the loaded VST3 showed its notice only %.2f s after the click (the same update with no host holding it: %.2f s)"
          % (took, unheld))


if __name__ == "__main__":
    main(a_linked_vst3_folder_and_a_clap_held_for_a_second_update_like_any_other,
         a_vst3_a_host_keeps_loaded_updates_at_once_and_leaves_no_second_copy)
