"""The Windows build used as its users use it, under Wine: every change shows on the screen at
once, INSTALL and Shift-INSTALL write and remove the real Common Files folders, the help line
reads exactly as it should, the panels open and close, and the window stays square."""

import os
import shutil
import tempfile
import time
import zipfile

from wine_window import COMMON_FILES, MOVED_PLUGINS, TESTS_EXE, check, differing_pixels, main
from xdriver import near

ARCHIVES = os.environ.get("QF_ARCHIVE_DIR", "")
ITEMS = [("VST3", "vst3.zip", "Halcyra 2.vst3"), ("CLAP", "clap.zip", "Halcyra 2.clap"),
         ("Avid/Audio/Plug-Ins", "aax.zip", "Halcyra 2.aaxplugin")]

BACKGROUND = 0x111111
BLUE = 0x0094D8
GOLD = 0xD3C55F
HALF_GREY = 0x5E5C5C  # AAA6A6 at alpha 128 over 111111
HELP_INK = 0x80AAA6A6
CAPTION = 0xFFAAA6A6
TILE_TEXT = 0xFF111111
GREY_TILE = 0x464545  # AAA6A6 at alpha 89 over 111111

TILES = {"VST3": (24, 180), "CLAP": (306, 180), "AAX": (24, 252)}  # top-left corners, 270 x 60
BUTTONS = {"EULA": (54, 471), "MANUAL": (123, 471), "WEBSITE": (192, 471), "SUPPORT": (261, 471),
           "INSTALL": (546, 471), "SELECT_ALL": (528, 147),
           "VST3": (150, 210), "CLAP": (440, 210), "AAX": (150, 282)}
AWAY = (300, 350)  # over no button
NOTICE_FILL = (215, 330)  # inside the notice's box, clear of its icon and text

# The screen and the reference are drawn by the same JUCE code; where a glyph starts a text its
# edge can come out one step apart in a channel (measured), never more.
TOLERANCE = 1


def away(session):
    session.move_to(*AWAY)


def archive_tree(archive):
    """Every file of an archive with its bytes, and every folder, by relative path. The
    archives name their entries with backslashes, as Windows tools write them."""
    files, folders = {}, set()
    with zipfile.ZipFile(os.path.join(ARCHIVES, archive)) as z:
        for info in z.infolist():
            name = info.filename.replace("\\", "/").rstrip("/")
            parts = name.split("/")
            folders.update("/".join(parts[:i]) for i in range(1, len(parts)))
            if info.filename.endswith(("/", "\\")):
                folders.add(name)
            else:
                files[name] = z.read(info)
    return files, folders


def disk_tree(folder, item):
    files, folders = {}, set()
    top = os.path.join(folder, item)
    if os.path.isfile(top):
        with open(top, "rb") as f:
            return {item: f.read()}, set()
    for root, dirs, names in os.walk(top):
        rel = os.path.relpath(root, folder)
        folders.add(rel)
        for name in names:
            with open(os.path.join(root, name), "rb") as f:
                files[os.path.join(rel, name)] = f.read()
    return files, folders


def tile_colour(session, name):
    x, y = TILES[name]
    return session.pixel(x + 260, y + 4)  # right end of the tile, clear of its texts


def tile_status_matches(session, name, text):
    """The tile's status line reads exactly the text: its pixels are the reference's."""
    x, y = TILES[name]
    box_x, box_y = x + 9 + 60, y + 9  # the tile reduced by 1.5 units, moved right by 10 units
    reference = session.reference("text", text, 252, 42, 18, "bottomLeft", TILE_TEXT, tile_colour(session, name))
    width = x + 264 - box_x  # the text box runs past the tile; compare inside it only
    screen = session.rgb_region(box_x, box_y + 21, width, 21)
    return differing_pixels(screen, [row[:width] for row in reference[21:42]], TOLERANCE) == 0


def caption_reads(session, text):
    """The action button's caption below its face, against a reference of the text."""
    reference = session.reference("text", text, 60, 60, 15, "centredBottom", CAPTION, BACKGROUND)
    screen = session.rgb_region(516, 462 + 40, 60, 20)
    return differing_pixels(screen, reference[40:60], TOLERANCE) == 0


def notice_colour(session):
    return session.pixel(*NOTICE_FILL)


def notice_showing(session):
    # The box is black; the fade has taken a little off it by the time it is looked at.
    return near(notice_colour(session), 0x000000, 4)


def success_icon(session):
    """The colour in the notice's icon circle, above the check mark, and whether it is green."""
    colour = session.pixel(300, 262)
    return colour, (colour >> 8 & 255) > 0x90 and (colour >> 16) < 0x90


def click_action_and_see_success(session, what, before_click=lambda: None):
    """Clicks INSTALL (with Shift held: UNINSTALL) right after before_click, waits for the
    notice, checks that its icon is the green one and waits for it to fade. Returns the time of
    the click."""
    session.move_to(*BUTTONS["INSTALL"])
    before_click()
    clicked = time.time()
    session.xdotool("click", 1)
    check(session.wait_for(lambda: notice_showing(session), timeout=20), "no notice after %s" % what)
    colour, green = success_icon(session)
    if not green:
        session.screenshot("notice-" + what.replace(" ", "-"))
        check(False, "%s did not succeed: the notice's icon is %06x" % (what, colour))
    away(session)
    check(session.wait_for(lambda: notice_colour(session) == BACKGROUND, timeout=5), "the notice after %s does not fade" % what)
    return clicked


def item_matches_archive(folder, archive, item):
    expected, actual = archive_tree(archive), disk_tree(folder, item)
    return actual == expected


# -- tests ------------------------------------------------------------------------------------------
def install_and_shift_uninstall_show_at_once_and_change_the_common_files(session):
    session.launch()
    away(session)
    check(near(session.pixel(300, 3), BLUE, 0), "no top strip: %06x" % session.pixel(300, 3))
    for name, (x, y) in TILES.items():
        check(not near(session.pixel(x, y + 30), GOLD, 30), "%s starts ticked with nothing installed" % name)

    session.click_at(*BUTTONS["SELECT_ALL"])
    away(session)
    for name, (x, y) in TILES.items():
        check(session.wait_for(lambda: near(session.pixel(x, y + 30), GOLD, 30)),
              "SELECT ALL shows no gold outline on %s: %06x" % (name, session.pixel(x, y + 30)))
    session.screenshot("all-ticked")

    session.click_at(*BUTTONS["INSTALL"])
    check(session.wait_for(lambda: notice_showing(session), timeout=20),
          "no notice after INSTALL: %06x" % notice_colour(session))
    shown = time.time()
    colour, green = success_icon(session)
    session.screenshot("success-notice")
    check(green, "the notice's icon is not green: %06x" % colour)

    for folder, archive, item in ITEMS:
        expected = archive_tree(archive)
        actual = disk_tree(os.path.join(COMMON_FILES, folder), item)
        check(actual[1] == expected[1], "%s: folders %s, expected %s" % (item, sorted(actual[1]), sorted(expected[1])))
        check(actual[0].keys() == expected[0].keys(), "%s: files %s, expected %s" % (item, sorted(actual[0]), sorted(expected[0])))
        check(actual[0] == expected[0], "%s: a file's bytes differ from the archive's" % item)

    away(session)
    while time.time() - shown < 3.5:
        time.sleep(0.05)
    check(notice_colour(session) == BACKGROUND, "the notice is still there 3.5 s later: %06x" % notice_colour(session))
    session.screenshot("installed")
    for name in TILES:
        check(near(tile_colour(session, name), 0x0287C4, 6), "the %s tile is %06x, not blue" % (name, tile_colour(session, name)))
        x, y = TILES[name]
        check(not near(session.pixel(x, y + 30), GOLD, 30), "%s stays ticked after the install" % name)
    check(tile_status_matches(session, "VST3", "INSTALLED"), "the VST3 tile does not read INSTALLED")
    for name in ("CLAP", "AAX"):
        check(tile_status_matches(session, name, "v2.1.4.0 INSTALLED"), "the %s tile does not read v2.1.4.0 INSTALLED" % name)

    session.click_at(*BUTTONS["SELECT_ALL"])
    session.move_to(*BUTTONS["INSTALL"])
    check(caption_reads(session, "INSTALL"), "the caption does not read INSTALL")
    session.key_down("shift")
    try:
        check(session.wait_for(lambda: caption_reads(session, "UNINSTALL")), "holding Shift does not show UNINSTALL")
        session.screenshot("shift-held")
        session.xdotool("click", 1)
        check(session.wait_for(lambda: notice_showing(session), timeout=20), "no notice after Shift-INSTALL")
    finally:
        session.key_up("shift")
    check(session.wait_for(lambda: caption_reads(session, "INSTALL")), "releasing Shift does not bring INSTALL back")

    for folder, _, item in ITEMS:
        check(not os.path.exists(os.path.join(COMMON_FILES, folder, item)), "Shift-INSTALL left %s" % item)
        check(os.path.isdir(os.path.join(COMMON_FILES, folder)), "Shift-INSTALL removed the folder %s" % folder)
    away(session)
    for name in TILES:
        check(session.wait_for(lambda: not near(tile_colour(session, name), 0x0287C4, 20), timeout=4.5),
              "the %s tile still shows installed" % name)


def a_linked_vst3_folder_and_a_clap_held_for_a_second_update_like_any_other(session):
    # The VST3 folder moved elsewhere, with a link of the host system left in its place: what a
    # folder link on Windows is to a program under Wine.
    behind = os.path.join(MOVED_PLUGINS, "VST3")
    link = os.path.join(COMMON_FILES, "VST3")
    os.makedirs(behind)
    os.makedirs(COMMON_FILES, exist_ok=True)
    os.symlink(behind, link)
    clap_folder = os.path.join(COMMON_FILES, "CLAP")

    session.launch()
    session.click_at(*BUTTONS["VST3"])
    session.click_at(*BUTTONS["CLAP"])
    click_action_and_see_success(session, "INSTALL")
    check(item_matches_archive(behind, "vst3.zip", "Halcyra 2.vst3"), "the bundle behind the link is not the archive's")
    check(item_matches_archive(clap_folder, "clap.zip", "Halcyra 2.clap"), "the CLAP is not the archive's")

    with open(os.path.join(behind, "Halcyra 2.vst3", "old-extra.txt"), "w") as f:
        f.write("from the old version")
    session.click_at(*BUTTONS["VST3"])
    click_action_and_see_success(session, "the VST3 update")
    check(item_matches_archive(behind, "vst3.zip", "Halcyra 2.vst3"), "the updated bundle is not exactly the archive's")

    # How long an update of the CLAP takes from the click to the new file's rename into place,
    # which sets its change time.
    clap = os.path.join(clap_folder, "Halcyra 2.clap")
    session.click_at(*BUTTONS["CLAP"])
    clicked = click_action_and_see_success(session, "the CLAP update")
    to_place = os.stat(clap).st_ctime - clicked

    # A host scanning plug-ins opens the CLAP just before the user clicks and holds it until
    # about a second after the update would have replaced it (but within the engine's 2 s a call,
    # should that measure have come out long on a busy machine).
    old_clap = os.stat(clap).st_ino
    scratch = tempfile.mkdtemp(prefix="qf_holder")
    markers = os.path.join(scratch, "holder")
    holder = session.start_holder("C:\\Program Files\\Common Files\\CLAP\\Halcyra 2.clap", markers, int(1000 * (min(to_place, 0.5) + 1.0)))
    try:
        check(session.wait_for(lambda: os.path.exists(markers + ".ready"), timeout=60), "the second process did not start")
        session.click_at(*BUTTONS["CLAP"])

        def hold_now():
            open(markers + ".go", "w").close()
            check(session.wait_for(lambda: os.path.exists(markers + ".held"), timeout=10), "the second process did not hold the CLAP")

        click_action_and_see_success(session, "the CLAP update during the hold", before_click=hold_now)
        check(holder.wait(timeout=60) == 0, "the second process could not hold the CLAP")
    finally:
        if holder.poll() is None:
            holder.kill()
        holder.wait(timeout=60)
        let_go = os.path.getmtime(markers + ".let-go") if os.path.exists(markers + ".let-go") else None
        shutil.rmtree(scratch, ignore_errors=True)
    placed = os.stat(clap).st_ctime
    check(let_go is not None, "the second process never let go")
    print("an update placed the CLAP %.2f s after the click; held, it was placed %.2f s after the hold ended" %
          (to_place, placed - let_go))
    check(placed >= let_go, "the new CLAP was placed before the hold ended: the update never met the hold")
    check(os.stat(clap).st_ino != old_clap, "the CLAP was not replaced")
    check(item_matches_archive(clap_folder, "clap.zip", "Halcyra 2.clap"), "the updated CLAP is not the archive's")

    session.click_at(*BUTTONS["VST3"])
    session.click_at(*BUTTONS["CLAP"])
    session.move_to(*BUTTONS["INSTALL"])
    session.key_down("shift")
    try:
        check(session.wait_for(lambda: caption_reads(session, "UNINSTALL")), "holding Shift does not show UNINSTALL")
        click_action_and_see_success(session, "UNINSTALL")
    finally:
        session.key_up("shift")

    for folder in (behind, clap_folder):
        check(os.listdir(folder) == [], "%s is left with %s" % (folder, os.listdir(folder)))
    check(os.path.islink(link) and os.path.realpath(link) == os.path.realpath(behind), "the VST3 folder is no longer the link")


def install_with_nothing_ticked_shows_the_orange_notice(session):
    session.launch()
    session.click_at(*BUTTONS["INSTALL"])
    check(session.wait_for(lambda: notice_showing(session)), "no notice: %06x" % notice_colour(session))
    shown = time.time()
    orange = session.pixel(270, 300)  # in the icon's circle, beside the exclamation mark
    session.screenshot("failure-notice")
    check((orange >> 16) > 0xd0 and (orange & 0xff) < 0x40, "no orange warning icon: %06x" % orange)
    for _, _, item in ITEMS:
        check(not os.path.exists(os.path.join(COMMON_FILES, item)), "something was installed")
    away(session)
    while time.time() - shown < 3.5:
        time.sleep(0.05)
    check(notice_colour(session) == BACKGROUND, "the notice is still there 3.5 s later")


def hovering_each_button_shows_exactly_its_help_line(session):
    session.launch()
    help_line = lambda: session.rgb_region(24, 540, 552, 18)  # noqa: E731

    def reference(text):
        return session.reference("label", text, 552, 18, 18, "centred", HELP_INK, BACKGROUND)

    expected = {
        "EULA": "Click to read End-User License Agreement",
        "MANUAL": "Click to open product manual in your web browser",
        "WEBSITE": "Click to open product page on the Quillfen website",
        "SUPPORT": "Email and Discord support",
        "VST3": "Select to install VST3",
        "CLAP": "Select to install CLAP",
        "AAX": "Select to install AAX",
        "INSTALL": "Click to install selected. Shift-click to uninstall selected",
    }
    away(session)
    check(differing_pixels(help_line(), reference("1.0.5"), TOLERANCE) == 0, "the help line does not start as 1.0.5")

    for name, text in expected.items():
        wanted = reference(text)
        session.move_to(*BUTTONS[name])
        if not session.wait_for(lambda: differing_pixels(help_line(), wanted, TOLERANCE) == 0):
            session.screenshot("help-" + name)
            check(False, "hovering %s does not show %r (%d pixels differ)" %
                  (name, text, differing_pixels(help_line(), wanted, TOLERANCE)))
        if name == "EULA":
            # The comparison tells one letter apart, so a wrong text cannot pass it.
            wrong = reference(text.replace("Agreement", "Agreenent"))
            check(differing_pixels(help_line(), wrong, TOLERANCE) > 0, "a one-letter change still matches")
        away(session)
        check(session.wait_for(lambda: differing_pixels(help_line(), reference(""), TOLERANCE) == 0),
              "leaving %s does not empty the help line" % name)


def eula_and_support_open_their_panels_and_x_closes_them(session):
    session.launch()
    session.click_at(*BUTTONS["EULA"])
    check(session.wait_for(lambda: session.pixel(300, 3) == BACKGROUND), "the licence panel does not cover the screen")
    check(any(near(session.pixel(x, 30), 0xF5F5F5, 12) for x in range(24, 200)), "no LICENSE AGREEMENT heading")
    text = session.rgb_region(24, 72, 552, 60)
    check(any(near(r << 16 | g << 8 | b, 0xAAA6A6, 40) for row in text for r, g, b in row), "no licence text in the box")
    check(near(session.pixel(159, 210), BACKGROUND), "a tile shows through the licence panel")
    session.screenshot("licence-panel")
    session.click_at(552, 33)  # X
    check(session.wait_for(lambda: near(session.pixel(300, 3), BLUE, 0)), "X does not close the licence panel")

    session.click_at(*BUTTONS["SUPPORT"])
    check(session.wait_for(lambda: session.pixel(300, 3) == BACKGROUND), "the support panel does not cover the screen")
    check(near(session.pixel(64, 240), HALF_GREY, 6), "no e-mail box: %06x" % session.pixel(64, 240))
    check(near(session.pixel(64, 120), HALF_GREY, 6), "no Discord box: %06x" % session.pixel(64, 120))
    session.move_to(90, 240)
    check(session.wait_for(lambda: near(session.pixel(64, 240), 0x838080, 6)), "the e-mail box does not light up under the pointer")
    session.screenshot("support-panel")
    session.click_at(552, 33)
    check(session.wait_for(lambda: near(session.pixel(300, 3), BLUE, 0)), "X does not close the support panel")
    check(near(tile_colour(session, "VST3"), GREY_TILE, 6), "the main screen is not back: %06x" % tile_colour(session, "VST3"))


def resizing_keeps_the_window_square_and_lays_the_screen_out_again(session):
    session.launch()
    x, y = session.frame_corner()
    session.drag(x, y, x + 200, y + 100)  # the frame's corner, pulled further right than down
    check(session.measure_client_area(), "the top strip is gone after resizing")
    _, _, width, height = session.geometry()
    session.screenshot("resized")
    check(width > 600, "the window did not grow: %d" % width)
    check(height == width, "the client area is %dx%d, not square" % (width, height))
    unit = width / 100.0
    strip = round(unit)
    check(near(session.pixel(width // 2, strip - 1), BLUE, 0) and session.pixel(width // 2, strip + 1) == BACKGROUND,
          "the top strip is not %d pixels tall" % strip)
    # The VST3 tile's left edge moves to 4 units; one pixel inside it is the tile's grey.
    left = round(4 * unit)
    check(session.pixel(left - 2, round(35 * unit)) == BACKGROUND and near(session.pixel(left + 2, round(35 * unit)), GREY_TILE, 6),
          "the VST3 tile does not start at %d" % left)
    session.click_at(round(20 * unit), round(35 * unit))
    away(session)
    check(session.wait_for(lambda: near(session.pixel(left + 1, round(35 * unit)), GOLD, 30)),
          "a click at the new place does not tick VST3")


def the_stand_in_flushes_repaints_of_a_real_window(session):
    status, output = session.run_windows_program(TESTS_EXE, "--gtest_filter=VBlankStandIn.*")
    print(output)
    check(status == 0 and "[  PASSED  ] 2 tests" in output, "the VBlankStandIn tests failed")


if __name__ == "__main__":
    main(install_and_shift_uninstall_show_at_once_and_change_the_common_files,
         a_linked_vst3_folder_and_a_clap_held_for_a_second_update_like_any_other,
         install_with_nothing_ticked_shows_the_orange_notice,
         hovering_each_button_shows_exactly_its_help_line,
         eula_and_support_open_their_panels_and_x_closes_them,
         resizing_keeps_the_window_square_and_lays_the_screen_out_again,
         the_stand_in_flushes_repaints_of_a_real_window)
