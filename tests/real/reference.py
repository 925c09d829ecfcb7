"""Reference renderings for the real-window tests: the test binary draws a text exactly as the
program sets it (typeface, size, box, justification, colour), and the window must show the same
pixels. QF_TEXT_RENDERER is the command that runs the test binary (for the Windows build, for
example "wine .../qf_tests.exe"); it is given "--render-text SPEC" and prints the picture.

Texts are described in window coordinates, with colours as AARRGGBB hex strings."""

import json
import os
import shlex
import subprocess
import time


def boxed(text, height, colour, box, justification):
    """Graphics::drawText in a box, ellipsis on."""
    return {"kind": "boxed", "text": text, "height": height, "colour": colour, "box": list(box),
            "justification": justification}


def fitted(text, height, colour, box, justification, lines, scale=0.0):
    """Graphics::drawFittedText in an integer box."""
    return {"kind": "fitted", "text": text, "height": height, "colour": colour, "box": list(box),
            "justification": justification, "lines": lines, "scale": scale}


def single_line(text, height, colour, x, baseline):
    """Graphics::drawSingleLineText from an origin on the baseline."""
    return {"kind": "singleLine", "text": text, "height": height, "colour": colour, "x": x, "baseline": baseline}


def label(text, height, colour, bounds, justification):
    """The text of a JUCE label with these bounds, as the label draws it."""
    return {"kind": "label", "text": text, "height": height, "colour": colour, "box": list(bounds),
            "justification": justification}


def spec(area, background, texts):
    """The argument of "--render-text" for the texts over the background in the area."""
    return json.dumps({"area": list(area), "background": background, "texts": texts})


def parse(output, area):
    """The renderer's output for the area as rows of (r, g, b)."""
    lines = output.split()
    width, height = int(lines[0]), int(lines[1])
    rows = []
    for row in lines[2:2 + height]:
        rows.append([tuple(int(row[i + k:i + k + 2], 16) for k in (0, 2, 4)) for i in range(0, 6 * width, 6)])
    if (width, height) != (area[2], area[3]) or len(rows) != height:
        raise RuntimeError("the renderer gave %dx%d for %s" % (width, height, area))
    return rows


def render(area, background, texts):
    """The texts over the background in the area (x, y, width, height): rows of (r, g, b)."""
    command = shlex.split(os.environ.get("QF_TEXT_RENDERER", ""))
    if not command:
        raise RuntimeError("QF_TEXT_RENDERER names no renderer")
    out = subprocess.run(command + ["--render-text", spec(area, background, texts)], check=True,
                         capture_output=True, timeout=60).stdout
    return parse(out.decode(), area)


def differences(screen_pixel, area, reference, tolerance=3):
    """How many pixels of the area differ from the reference, and the first of them.
    screen_pixel(x, y) gives the screen's (r, g, b) at window coordinates."""
    x0, y0, width, height = area
    count, first = 0, None
    for dy in range(height):
        for dx in range(width):
            actual, expected = screen_pixel(x0 + dx, y0 + dy), reference[dy][dx]
            if any(abs(a - e) > tolerance for a, e in zip(actual, expected)):
                count += 1
                if first is None:
                    first = "(%d, %d) is %02x%02x%02x, reference %02x%02x%02x" % ((x0 + dx, y0 + dy) + actual + expected)
    return count, first


def bgrx_reader(data, area):
    """A screen_pixel function over an X ZPixmap image (32 bits a pixel, blue first) of the area."""
    x0, y0, width, _ = area

    def pixel(x, y):
        at = 4 * ((y - y0) * width + (x - x0))
        return data[at + 2], data[at + 1], data[at]

    return pixel


def wait_for_match(grab, area, background, texts, timeout=3.0, tolerance=3):
    """Waits until grab(area) (a screen_pixel function) matches the rendering of the texts.
    Returns None on a match, otherwise what differed."""
    reference = render(area, background, texts)
    end = time.time() + timeout
    while True:
        count, first = differences(grab(area), area, reference, tolerance)
        if count == 0:
            return None
        if time.time() > end:
            return "%d pixels of %s differ from the reference of %s, first %s" % (
                count, list(area), ", ".join(repr(t["text"]) for t in texts), first)
        time.sleep(0.1)
