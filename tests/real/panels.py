"""The overlay panels in a real window: the licence and support panels open over the main
screen and close with their X, and the result notice fades while the screen stays usable."""

import time

import reference
from xdriver import check, main, near

HALF_GREY = 0x5e5c5c  # AAA6A6 at alpha 128 over 111111
INSIDE_RING = (545, 26, 14, 14)  # the ring's box is (540, 21, 24, 24)


def close_cross(colour):
    return [reference.boxed("X", 18, colour, (540, 21, 24, 24), "centred")]


def ring_brightens_under_the_pointer(session, what):
    session.move_to(300, 300)
    idle = session.shows(INSIDE_RING, "ff111111", close_cross("80aaa6a6"))
    session.move_to(552, 33)
    hovered = session.shows(INSIDE_RING, "ff111111", close_cross("ffaaa6a6"))
    check(idle is None, "%s, idle X: %s" % (what, idle))
    check(hovered is None, "%s, hovered X: %s" % (what, hovered))


def wait_painted(session, x, y, expected, timeout=3.0):
    end = time.time() + timeout
    while time.time() < end:
        if near(session.pixel(x, y), expected, 6):
            return True
        session.nudge()
        time.sleep(0.05)
    return False


def licence_panel_opens_over_the_screen_and_closes_with_its_x(session):
    session.launch()
    check(near(session.pixel(300, 3), 0x0094d8), "main screen's top strip missing")

    session.click_at(54, 471)  # EULA
    check(wait_painted(session, 300, 3, 0x111111), "the licence panel does not cover the screen")
    check(near(session.pixel(159, 178), 0x111111), "a tile shows through: %06x" % session.pixel(159, 178))
    heading = session.shows((0, 0, 480, 70), "ff111111", [reference.single_line("LICENSE AGREEMENT", 24, "fff5f5f5", 24, 36)])
    check(heading is None, "heading: %s" % heading)
    session.screenshot("licence-panel")

    ring_brightens_under_the_pointer(session, "licence panel")

    session.click_at(552, 33)  # X
    check(wait_painted(session, 300, 3, 0x0094d8), "the licence panel did not close")

    session.click_at(54, 471)
    check(wait_painted(session, 300, 3, 0x111111), "the licence panel does not reopen")


def support_panel_boxes_react_and_it_closes_with_its_x(session):
    session.launch()
    session.click_at(54 + 3 * 69, 471)  # SUPPORT
    check(wait_painted(session, 300, 3, 0x111111), "the support panel does not cover the screen")
    check(near(session.pixel(64, 240), HALF_GREY, 6), "idle mail box %06x" % session.pixel(64, 240))

    session.move_to(90, 240)
    check(wait_painted(session, 64, 240, 0x838080), "hovered mail box %06x" % session.pixel(64, 240))
    session.xdotool("mousedown", 1)
    pressed = wait_painted(session, 64, 240, 0x86cf7a)
    session.screenshot("support-mail-pressed")
    session.move_to(300, 580)  # let go away from the box, so no mail program is asked for
    session.xdotool("mouseup", 1)
    check(pressed, "pressed mail box %06x" % session.pixel(64, 240))
    check(near(session.pixel(64, 120), HALF_GREY, 6), "the discord box changed with the mail box")

    ring_brightens_under_the_pointer(session, "support panel")
    session.click_at(552, 33)
    check(wait_painted(session, 300, 3, 0x0094d8), "the support panel did not close")


def closing_the_window_with_a_panel_open_ends_the_program(session):
    session.launch()
    session.click_at(54 + 3 * 69, 471)  # SUPPORT, closed again: it stays in its slot
    session.click_at(552, 33)
    check(wait_painted(session, 300, 3, 0x0094d8), "the support panel did not close")
    session.click_at(54, 471)  # EULA, left open
    check(wait_painted(session, 300, 3, 0x111111), "the licence panel did not open")
    session.request_close()
    check(session.wait_for_exit() == 0, "exit code with a panel open")


def the_notice_fades_while_clicks_reach_the_screen(session):
    session.launch()
    spots = [(300, 300), (250, 280), (350, 220), (380, 380), (270, 300)]
    before = {spot: session.pixel(*spot) for spot in spots}

    session.click_at(546, 471)  # INSTALL with nothing ticked
    started = time.time()
    orange = session.pixel(270, 300)
    check((orange >> 16) > 0xd0 and (orange & 0xff) < 0x40, "no orange warning icon: %06x" % orange)
    session.screenshot("failure-notice")

    session.move_to(100, 200)  # the VST3 tile, outside the box
    session.xdotool("click", 1)
    check(wait_painted(session, 24, 210, 0xd3c55f, 1.0), "the tile did not take the click: %06x" % session.pixel(24, 210))
    check(time.time() - started < 2.5, "too slow to test during the fade")
    check(not near(session.pixel(270, 300), before[(270, 300)], 6), "the notice was gone too early")

    while time.time() - started < 3.4:
        time.sleep(0.05)
    session.screenshot("after-fade")
    for spot in spots:
        check(near(session.pixel(*spot), before[spot], 4), "at %s: %06x, was %06x" % (spot, session.pixel(*spot), before[spot]))

    session.request_close()
    check(session.wait_for_exit() == 0, "exit code")


def quitting_during_a_fade_is_clean(session):
    session.launch()
    session.click_at(546, 471)
    session.request_close()
    check(session.wait_for_exit() == 0, "exit code")


if __name__ == "__main__":
    main(licence_panel_opens_over_the_screen_and_closes_with_its_x,
         support_panel_boxes_react_and_it_closes_with_its_x,
         closing_the_window_with_a_panel_open_ends_the_program,
         the_notice_fades_while_clicks_reach_the_screen,
         quitting_during_a_fade_is_clean)
