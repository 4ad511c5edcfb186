#!/usr/bin/env python3
"""Draws the windows' artwork as 32-bit bitmaps with premultiplied alpha (for AlphaBlend): for the main window
the logo, the 24 x 24 and 22 x 22 button images and the three-state strips of the window buttons; for the sound
test window the face strip of the play button, the check mark and the pictures of the headphone and microphone
sockets on a laptop and on a desktop computer's back.

Shapes are described in pixel coordinates and rendered with 4 x 4 supersampling, so that edges are smooth.
Usage: make_artwork.py <output folder>"""
import math
import os
import struct
import sys

BLUE = (0x2F, 0x7D, 0xE1)
BLUE_DARK = (0x1F, 0x5F, 0xC8)
GLYPH = (0x55, 0x55, 0x55)
WHITE = (0xFF, 0xFF, 0xFF)
HOVER = (0xC6, 0xC6, 0xC6)
PRESSED = (0xAE, 0xAE, 0xAE)
CLOSE_HOVER = (0xE8, 0x11, 0x23)
CLOSE_PRESSED = (0xB0, 0x0E, 0x1C)
# The sound test window: the success green of its note, the play button's greens, the computers' greys and the
# usual colours of the audio sockets.
SUCCESS = (0x71, 0xBA, 0x25)
PLAY = (0x5A, 0xB5, 0x2C)
PLAY_HOVER = (0x6B, 0xC4, 0x3B)
PLAY_PRESSED = (0x45, 0x96, 0x1E)
PLAY_EDGE = (0x3F, 0x8A, 0x1C)
CASE = (0xD2, 0xD6, 0xDC)
CASE_EDGE = (0x9A, 0xA1, 0xAB)
CASE_DARK = (0x4B, 0x51, 0x59)
PLATE = (0x62, 0x69, 0x72)
HOLE = (0x1E, 0x21, 0x25)
SOCKET_RING = (0x7A, 0x80, 0x88)
JACK_LINE_IN = (0x4A, 0x90, 0xE2)
JACK_HEADPHONE = (0x3C, 0xB0, 0x4A)
JACK_MICROPHONE = (0xE8, 0x6A, 0x9A)


# Shapes: functions (x, y) -> bool over continuous pixel coordinates.
def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def segment(ax, ay, bx, by, width):
    half = width / 2

    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
        t = min(max(t, 0.0), 1.0)
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= half
    return inside


def arc(cx, cy, r, width, start=0.0, end=360.0):
    """Ring of the given stroke width between two angles (degrees, clockwise from 3 o'clock, y down)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (start <= a <= end) if start <= end else (a >= start or a <= end)
    return inside


def polygon(*points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, *holes):
    return lambda x, y: shape(x, y) and not any(h(x, y) for h in holes)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * width for _ in range(height)]  # premultiplied floats

    def fill(self, shape, colour, x0=0, x1=None, samples=4, y0=0, y1=None):
        """Composites colour over the pixels that the shape covers, within columns x0..x1 and rows y0..y1."""
        x1 = self.width if x1 is None else min(x1, self.width)
        y1 = self.height if y1 is None else min(y1, self.height)
        x0, y0 = max(x0, 0), max(y0, 0)
        n = samples * samples
        for py in range(y0, y1):
            for px in range(x0, x1):
                hits = sum(shape(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples)
                           for sy in range(samples) for sx in range(samples))
                if hits:
                    a = hits / n
                    r, g, b, alpha = self.pixels[py][px]
                    self.pixels[py][px] = (colour[0] / 255 * a + r * (1 - a), colour[1] / 255 * a + g * (1 - a),
                                           colour[2] / 255 * a + b * (1 - a), a + alpha * (1 - a))

    def save(self, path):
        rows = []
        for row in reversed(self.pixels):  # bottom-up DIB
            rows.append(b"".join(struct.pack("BBBB", round(b * 255), round(g * 255), round(r * 255), round(a * 255))
                                 for r, g, b, a in row))
        data = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 32, 0, len(data), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
        with open(path, "wb") as f:
            f.write(header + info + data)


def shifted(shape, dx, dy=0.0):
    return lambda x, y: shape(x - dx, y - dy)


# Button images, 24 x 24 unless said otherwise.
def home():
    roof = polygon((12, 2.5), (22.5, 11.5), (20, 11.5), (12, 5.2), (4, 11.5), (1.5, 11.5))
    body = minus(rect(5, 10, 19, 21.5), polygon((12, 4.5), (19.5, 11), (4.5, 11)), rect(10, 14, 14, 21.5))
    return union(roof, body)


def refresh():
    ring = arc(12, 12, 7.5, 3, 330, 270)
    head = polygon((12.5, 0.8), (18.5, 4.5), (12.5, 8.2))
    return union(ring, head)


def tool():
    head = minus(arc(15.5, 8.5, 4.5, 4), polygon((15.5, 8.5), (24, 2), (24, 0), (17, 0)))
    handle = segment(12.5, 11.5, 4, 20, 4.2)
    return union(head, handle)


def microphone():  # 22 x 22
    capsule = rounded(7.5, 1.5, 14.5, 13, 3.5)
    cradle = arc(11, 8.5, 6.2, 1.8, 0, 180)
    stand = rect(10.1, 14.5, 11.9, 19)
    base = rounded(6.5, 18.2, 15.5, 20, 0.9)
    return union(capsule, cradle, stand, base)


# Letters of the logo's word, as strokes in a box of x-height 10 with ascenders up to 16.
def word_tovlane(left, baseline, stroke=2.3):
    top, mid = baseline - 10, baseline - 5
    parts, x = [], left

    def advance(width, *shapes):
        nonlocal x
        parts.extend(shifted(s, x) for s in shapes)
        x += width
    advance(10, segment(0.5, baseline - 15, 9, baseline - 15, stroke), segment(4.75, baseline - 15, 4.75, baseline, stroke))
    advance(10, arc(4.5, mid, 4.2, stroke))
    advance(9.5, segment(0.5, top, 4.2, baseline, stroke), segment(4.2, baseline, 8, top, stroke))
    advance(5, segment(1.5, baseline - 16, 1.5, baseline, stroke))
    advance(10, arc(4.3, mid, 4.2, stroke), segment(8.5, top, 8.5, baseline, stroke))
    advance(10, segment(1.2, top, 1.2, baseline, stroke), arc(4.8, mid - 0.5, 3.6, stroke, 180, 360),
            segment(8.4, mid - 0.5, 8.4, baseline, stroke))
    advance(10, union(arc(4.5, mid, 4.2, stroke, 40, 360), segment(0.5, mid, 8.6, mid, stroke * 0.8)))
    return union(*parts), x


def logo():
    canvas = Canvas(72, 31)
    tile = rounded(0.5, 2.5, 26.5, 28.5, 5)
    canvas.fill(tile, BLUE)
    canvas.fill(union(segment(6, 9, 15, 9, 3.2), segment(10.5, 9, 10.5, 22.5, 3.2),
                      arc(12.5, 15.5, 5.5, 2, 300, 60), arc(12.5, 15.5, 9, 2, 310, 50)), WHITE)
    # The word is condensed to fit beside the tile.
    word, width = word_tovlane(0, 21)
    scale = 43.0 / width
    canvas.fill(lambda x, y: word((x - 28.5) / scale, y), BLUE_DARK, 28)
    return canvas


def glyph_image(size, shape, colour=BLUE):
    canvas = Canvas(size, size)
    canvas.fill(shape, colour)
    return canvas


def strip(width, height, glyph, hover, pressed, active_glyph):
    """Three states side by side: normal, mouse over, pressed."""
    canvas = Canvas(width * 3, height)
    canvas.fill(glyph, GLYPH, 0, width)
    for index, background in ((1, hover), (2, pressed)):
        left = index * width
        canvas.fill(rect(left, 0, left + width, height), background, left, left + width)
        canvas.fill(shifted(glyph, left), active_glyph, left, left + width)
    return canvas


def scaled(shape, left, top, factor):
    """The shape drawn with its origin at (left, top), magnified by factor."""
    return lambda x, y: shape((x - left) / factor, (y - top) / factor)


def draw(canvas, shape, colour, box):
    """Fills a shape that lies within box (x0, y0, x1, y1); only those pixels are sampled."""
    x0, y0, x1, y1 = box
    canvas.fill(shape, colour, math.floor(x0), math.ceil(x1), y0=math.floor(y0), y1=math.ceil(y1))


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def headphones(cx, cy, size):
    """Headphones in a box of the given size centred on (cx, cy): the band and two ear cups."""
    s = size / 20.0
    band = arc(cx, cy + 1 * s, 7.5 * s, 2 * s, 180, 360)
    cups = union(rounded(cx - 9.5 * s, cy + 1 * s, cx - 5 * s, cy + 9 * s, 1.6 * s),
                 rounded(cx + 5 * s, cy + 1 * s, cx + 9.5 * s, cy + 9 * s, 1.6 * s),
                 rect(cx - 9.5 * s, cy + 0.5 * s, cx - 7.5 * s, cy + 3 * s),
                 rect(cx + 7.5 * s, cy + 0.5 * s, cx + 9.5 * s, cy + 3 * s))
    return union(band, cups)


def microphone_at(cx, cy, size):
    """The title bar's microphone glyph in a box of the given size centred on (cx, cy)."""
    return scaled(microphone(), cx - size / 2, cy - size / 2, size / 22.0)


def arrow_up(canvas, cx, tip, length, colour):
    """A bold arrow whose tip points up at (cx, tip)."""
    head = polygon((cx, tip), (cx + 7, tip + 8), (cx - 7, tip + 8))
    shaft = rect(cx - 2.5, tip + 7, cx + 2.5, tip + length)
    draw(canvas, union(head, shaft), colour, (cx - 8, tip - 1, cx + 8, tip + length + 1))


def socket(canvas, cx, cy, ring, ring_radius):
    """A round audio socket: a coloured (or plain) ring around the dark hole."""
    draw(canvas, circle(cx, cy, ring_radius), ring, (cx - ring_radius - 1, cy - ring_radius - 1,
                                                      cx + ring_radius + 1, cy + ring_radius + 1))
    draw(canvas, circle(cx, cy, ring_radius * 0.45), HOLE, (cx - ring_radius, cy - ring_radius,
                                                             cx + ring_radius, cy + ring_radius))


PICTURE_WIDTH, PICTURE_HEIGHT = 176, 100


def laptop_sockets(microphone_socket):
    """The left edge of a laptop with a USB port, the headphone and the microphone socket, each marked by its
    glyph; the arrow and the coloured ring point out the socket to use."""
    canvas = Canvas(PICTURE_WIDTH, PICTURE_HEIGHT)
    full = (0, 0, PICTURE_WIDTH, PICTURE_HEIGHT)
    # The lid lies closed on the base; both are seen edge on.
    draw(canvas, rounded(14, 8, 162, 20, 4), CASE_EDGE, full)
    draw(canvas, rounded(15, 9, 161, 18.5, 3.5), CASE, full)
    draw(canvas, rounded(6, 20, 170, 78, 8), CASE_EDGE, full)
    draw(canvas, rounded(7.2, 21.2, 168.8, 76.8, 7), CASE, full)
    draw(canvas, rect(12, 20.5, 164, 22), CASE_EDGE, full)
    # USB port.
    draw(canvas, rounded(22, 53, 50, 63, 1.5), CASE_DARK, full)
    draw(canvas, rect(26, 56, 46, 59), PLATE, full)
    targets = ((104, headphones, JACK_HEADPHONE), (140, microphone_at, JACK_MICROPHONE))
    for index, (cx, glyph, colour) in enumerate(targets):
        chosen = index == int(microphone_socket)
        draw(canvas, glyph(cx, 37, 16), colour if chosen else CASE_EDGE, (cx - 10, 27, cx + 10, 47))
        if chosen:
            draw(canvas, arc(cx, 58, 10.5, 2.4), colour, (cx - 13, 45, cx + 13, 71))
        socket(canvas, cx, 58, SOCKET_RING, 6.5)
    arrow_up(canvas, targets[int(microphone_socket)][0], 80, 19, BLUE)
    return canvas


def desktop_sockets(microphone_socket):
    """The audio plate on the back of a desktop computer: line in (blue), headphones (green), microphone (pink),
    each with its glyph above; the arrow and a white ring point out the socket to use."""
    canvas = Canvas(PICTURE_WIDTH, PICTURE_HEIGHT)
    full = (0, 0, PICTURE_WIDTH, PICTURE_HEIGHT)
    draw(canvas, rounded(20, 6, 156, 78, 6), CASE_DARK, full)
    draw(canvas, rounded(26, 12, 150, 72, 3), PLATE, full)
    for sx in (32, 144):  # the plate's screws
        draw(canvas, circle(sx, 18, 2.2), CASE_DARK, (sx - 3, 15, sx + 3, 21))
    line_in = union(segment(-6, 0, 3, 0, 2.2), polygon((6, 0), (1, -4.5), (1, 4.5)))
    glyphs = (lambda cx, cy, size: shifted(line_in, cx, cy), headphones, microphone_at)
    colours = (JACK_LINE_IN, JACK_HEADPHONE, JACK_MICROPHONE)
    chosen = 2 if microphone_socket else 1
    for index, cx in enumerate((58, 88, 118)):
        draw(canvas, glyphs[index](cx, 31, 14), colours[index] if index == chosen else CASE_EDGE,
             (cx - 9, 22, cx + 9, 40))
        if index == chosen:
            draw(canvas, arc(cx, 55, 12, 2.2), WHITE, (cx - 15, 40, cx + 15, 70))
        socket(canvas, cx, 55, colours[index], 8)
    arrow_up(canvas, (58, 88, 118)[chosen], 80, 19, BLUE)
    return canvas


def check_mark():
    canvas = Canvas(48, 48)
    canvas.fill(circle(24, 24, 22.5), SUCCESS)
    canvas.fill(union(segment(13.5, 25, 21, 32.5, 4.6), segment(21, 32.5, 35, 16.5, 4.6)), WHITE)
    return canvas


def play_button_strip(width=100, height=25):
    """Normal, mouse over and pressed faces of the play button; the button writes its caption beside the
    triangle, so that the text stays in the window's font."""
    canvas = Canvas(width * 3, height)
    triangle = polygon((11, 7), (11, 18), (20.5, 12.5))
    for index, face in enumerate((PLAY, PLAY_HOVER, PLAY_PRESSED)):
        left = index * width
        box = (left, 0, left + width, height)
        draw(canvas, rounded(left + 0.5, 0.5, left + width - 0.5, height - 0.5, 4), PLAY_EDGE, box)
        draw(canvas, rounded(left + 1.5, 1.5, left + width - 1.5, height - 1.5, 3), face, box)
        # A pressed face sinks by a pixel.
        down = 1 if index == 2 else 0
        draw(canvas, shifted(triangle, left + down, down), WHITE, box)
    return canvas


def main(folder):
    os.makedirs(folder, exist_ok=True)
    logo().save(os.path.join(folder, "logo.bmp"))
    glyph_image(24, home()).save(os.path.join(folder, "home.bmp"))
    glyph_image(24, refresh()).save(os.path.join(folder, "refresh.bmp"))
    glyph_image(24, tool()).save(os.path.join(folder, "tool.bmp"))
    glyph_image(22, microphone()).save(os.path.join(folder, "microphone.bmp"))
    strip(25, 18, rect(7.5, 11.5, 17.5, 13), HOVER, PRESSED, GLYPH).save(os.path.join(folder, "minimise.bmp"))
    strip(25, 18, minus(rect(7.5, 4.5, 17.5, 13.5), rect(8.8, 6.8, 16.2, 12.2)), HOVER, PRESSED,
          GLYPH).save(os.path.join(folder, "maximise.bmp"))
    strip(43, 18, union(segment(17, 4.5, 26, 13.5, 1.4), segment(26, 4.5, 17, 13.5, 1.4)), CLOSE_HOVER,
          CLOSE_PRESSED, WHITE).save(os.path.join(folder, "close.bmp"))
    play_button_strip().save(os.path.join(folder, "test_play.bmp"))
    check_mark().save(os.path.join(folder, "check_mark.bmp"))
    laptop_sockets(False).save(os.path.join(folder, "headphone_laptop.bmp"))
    desktop_sockets(False).save(os.path.join(folder, "headphone_desktop.bmp"))
    laptop_sockets(True).save(os.path.join(folder, "microphone_laptop.bmp"))
    desktop_sockets(True).save(os.path.join(folder, "microphone_desktop.bmp"))


if __name__ == "__main__":
    main(sys.argv[1])
