"""Reference renderings for the real-window tests: the test binary draws a text exactly as the
program sets it (typeface, size, box, justification, colour), and the window must show the same
pixels. QF_TEXT_RENDERER is the command that runs the test binary (for the Windows build, for
example "wine .../qf_tests.exe"); it is given "--render-text SPEC" and prints the picture.

Texts are described in window coordinates, with colours as AARRGGBB hex strings."""

import json


def boxed(text, height, colour, box, justification):
    """Graphics::drawText in a box, ellipsis on."""
    return {"kind": "boxed", "text": text, "height": height, "colour": colour, "box": list(box),
            "justification": justification}


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


def parse(output, areas):
    """The renderer's pictures, one for each area in turn, as rows of (r, g, b)."""
    lines, pictures = output.split(), []
    for area in areas:
        width, height = int(lines[0]), int(lines[1])
        rows = [[tuple(int(row[i + k:i + k + 2], 16) for k in (0, 2, 4)) for i in range(0, 6 * width, 6)]
                for row in lines[2:2 + height]]
        if (width, height) != (area[2], area[3]) or len(rows) != height:
            raise RuntimeError("the renderer gave %dx%d for %s" % (width, height, area))
        pictures.append(rows)
        lines = lines[2 + height:]
    return pictures


def differences(actual, expected, origin=(0, 0), tolerance=3):
    """How many pixels of two pictures (rows of (r, g, b)) differ by more than the tolerance in
    any channel, and the first of them, named in coordinates that start at origin."""
    count, first = 0, None
    for dy, (actual_row, expected_row) in enumerate(zip(actual, expected)):
        for dx, (a, e) in enumerate(zip(actual_row, expected_row)):
            if any(abs(x - y) > tolerance for x, y in zip(a, e)):
                count += 1
                if first is None:
                    first = "(%d, %d) is %02x%02x%02x, reference %02x%02x%02x" % ((origin[0] + dx, origin[1] + dy) + a + e)
    return count, first


def bgrx_rows(data, width, height):
    """An X ZPixmap image (32 bits a pixel, blue first) as rows of (r, g, b)."""
    return [[(data[at + 2], data[at + 1], data[at]) for at in range(4 * width * row, 4 * width * (row + 1), 4)]
            for row in range(height)]
