# Checks of agvsim's picture against the drawing's geometry, shared by the
# window's test (test_program.py) and the page's (test_page.py).
#
# A picture is rows x columns x RGB, 800 x 800 (-1 where the window is off
# the screen). A window unit is 400 px (column (X + 1) * 400, row
# (1 - Y) * 400); a world point (x, y) [m] is at window
# ((x - 2) * scale + panX, (y - 0.5) * scale + panY), the scale 0.2 by
# default (80 px per metre). The window draws pure colours; the page's canvas
# anti-aliases the edges of shapes and of lines that are not axis-parallel,
# while axis-parallel lines land on whole pixels. Probes lie in the middle of
# filled shapes, of axis-parallel lines and of lines at least 3 px wide.
import numpy as np

PX = 400.0  # [px] per window unit
LINE_TOL = 1.5  # [px] a 1-px line on a pixel boundary lands on either neighbour; +0.5 to its centre
DOT_TOL = 1.0  # [px] centre of the 3.2-px reference dot, drawn on a pixel boundary


def white(a): return (a == 255).all(-1)
def dark(a): return ((a >= 0) & (a < 60)).all(-1)
# At least half red: the window's red, or the canvas's red under the anti-aliased edge of a
# 2-px curve drawn over it (a blend of red with blue or green, at most half the other colour).
def red(a): return (a[..., 0] >= 128) & (a[..., 1] < 128) & (a[..., 2] < 128)
def green(a): return (a[..., 1] > 200) & (a[..., 0] < 60) & (a[..., 2] < 60)
def drawn(img): return white(img).mean() > 0.5  # cleared to white (the bare window is black)


def lattice_ok(dark_at, origin, spacing, lo, hi):
    # Dark pixels of a scan are grid lines origin + k * spacing; every line met; the origin one 2 px.
    c = dark_at + 0.5
    lines = [origin + k * spacing for k in range(-40, 41) if lo + 2 < origin + k * spacing < hi - 2]
    return (len(c) > 0 and (np.abs((c - origin + spacing / 2) % spacing - spacing / 2) <= LINE_TOL).all()
            and all(np.abs(c - line).min() <= LINE_TOL for line in lines)
            and (np.abs(c - origin) <= LINE_TOL).sum() >= 2)


def view_ok(img, scale, pan_x, pan_y, phase_x):
    # Grid read along row 640 and down column 100 (nothing else drawn there in these views); the
    # white panel's left edge at phase_x - 0.4: white right of it, a grid line left of it.
    ox, oy, edge = (1 - 2 * scale + pan_x) * PX, (1 + 0.5 * scale - pan_y) * PX, round((phase_x + 0.6) * PX)
    return (lattice_ok(np.flatnonzero(dark(img[640])), ox, scale * PX, 0, 800)
            and lattice_ok(200 + np.flatnonzero(dark(img[200:, 100])), oy, scale * PX, 200, 800)
            and white(img[60:337, edge + 2:edge + 36]).all() and dark(img[170:337, edge - 3]).any())


# The keys that change the view, each with the view it leads to from the one before (scale,
# panX, panY, phase plane's x): pans of 0.05 units (20 px), zoom by 0.9 (80 / 0.9 px); none
# given for 'q', which changes nothing.
VIEW_KEYS = (("W", 0.2 / 0.9, 0, 0, 0.6), ("w", 0.2, 0, 0, 0.6), ("q",), ("x", 0.2, -0.05, 0, 0.6),
             ("X", 0.2, 0, 0, 0.6), ("y", 0.2, 0, -0.05, 0.6), ("Y", 0.2, 0, 0, 0.6),
             ("z", 0.2, 0, 0, 0.55), ("Z", 0.2, 0, 0, 0.6))


def dot_at(img, x, y):
    # The white reference dot (radius 0.04 m, 3.2 px: about 32 px) of the vehicle drawn last,
    # centred on (x, y), inside the vehicle's body: the only white within 10 px (the motor boxes
    # lie farther out), not the bare background.
    ys, xs = np.nonzero(white(img[y - 10:y + 11, x - 10:x + 11]))
    return 20 <= len(xs) <= 45 and abs(xs.mean() - 9.5) <= DOT_TOL and abs(ys.mean() - 9.5) <= DOT_TOL


def text_line(img, y):  # the settings-panel line whose baseline is at window height y
    return img[round((1 - y) * PX) - 14:round((1 - y) * PX) + 5, 15:480]


# At the start pose P = (240, 360), heading 0: A, 0.3 m left of P (2DW1C's left motor box, the
# 1RDW1FS rear axle); B, 1 m ahead, 0.2 m left (1FDW1FS's front motor box); C, 0.24 m ahead
# (1RDW1FS's drive motor box). Elsewhere the green body of the sampled-data vehicle, drawn last.
MECH_PROBES = ((240, 336), (320, 344), (259, 360))
MECH_COLOURS = {"1": (white, green, green), "2": (green, white, green), "3": (dark, green, white)}
def mech_ok(img, agv): return all(is_(img[y - 1:y + 2, x]).all() for is_, (x, y) in zip(MECH_COLOURS[agv], MECH_PROBES))


def first_picture_ok(img):
    # The picture after the start-up dialog's defaults: origin (240, 440), 80-px grid, vehicles at
    # the start, white right of the phase plane's frame, and the 5.2-px red path y = 0 from
    # x = 0 m to the right edge (the curves along it hide a few columns).
    ys, xs = np.nonzero(red(img))
    return (view_ok(img, 0.2, 0, 0, 0.6) and mech_ok(img, "1") and dot_at(img, 240, 360)
            and white(img[60:337, 770:]).all() and len(xs) > 0
            and (ys.min(), ys.max(), xs.min(), xs.max(), len(set(xs)) >= 0.95 * 560) == (438, 442, 240, 799, True))
