#!/usr/bin/env python3
"""Draws the desktop application's pictures as SVG files into ui/artwork/.

Every picture is made here from plain shapes: the seven main-menu icons, the six previews shown
while the pointer rests on a button, the main menu's own picture, the background pattern and
the small icons of the lists (file, folder, image, audio, module, and the marked and unmarked
items of the Options Panel), and the application's own icon, whose PNG sizes for the desktop
menus it renders into packaging/icons/ with rsvg-convert (`MURL_WITH_ARTWORK=1 scripts/setup.sh`
installs it). Run it again after a change; the files it writes are kept in the repository and
built into the program as Qt resources or installed.
"""
import pathlib
import shutil
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = ROOT / "ui" / "artwork"
ICONS = ROOT / "packaging" / "icons"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)

INK = "#1d2b3a"
GOLD = "#e0a526"
SEA = "#2f7fb5"
LEAF = "#3f9c5a"
ROSE = "#c8454d"
PAPER = "#f6f1e3"


def svg(width, height, body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">\n{body}\n</svg>\n')


def tile(colour):
    """A rounded square behind every button icon."""
    return (f'<rect x="2" y="2" width="44" height="44" rx="9" fill="{colour}" stroke="{INK}" '
            f'stroke-width="2"/>')


def picture_frame(x, y, w, h):
    """A small landscape: the carrier pictures of the previews."""
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="3" fill="#bfe0f5" '
            f'stroke="{INK}" stroke-width="2"/>'
            f'<circle cx="{x + w * 0.75}" cy="{y + h * 0.3}" r="{h * 0.13}" fill="{GOLD}"/>'
            f'<path d="M{x + 2} {y + h - 2} L{x + w * 0.35} {y + h * 0.45} L{x + w * 0.55} '
            f'{y + h * 0.7} L{x + w * 0.7} {y + h * 0.55} L{x + w - 2} {y + h - 2} Z" '
            f'fill="{LEAF}"/>')


def wave(x, y, w, amplitude, colour):
    points = []
    steps = 24
    for i in range(steps + 1):
        px = x + w * i / steps
        py = y + amplitude * (1 if i % 2 else -1) * (0.4 + 0.6 * ((i * 7) % 5) / 4)
        points.append(f"{px:.1f},{py:.1f}")
    return (f'<polyline points="{" ".join(points)}" fill="none" stroke="{colour}" '
            f'stroke-width="2" stroke-linejoin="round"/>')


def padlock(x, y, s, colour):
    return (f'<path d="M{x + s * 0.25} {y + s * 0.45} V{y + s * 0.3} a{s * 0.25} {s * 0.25} 0 0 1 '
            f'{s * 0.5} 0 V{y + s * 0.45}" fill="none" stroke="{INK}" stroke-width="{s * 0.09}"/>'
            f'<rect x="{x + s * 0.12}" y="{y + s * 0.45}" width="{s * 0.76}" height="{s * 0.5}" '
            f'rx="{s * 0.08}" fill="{colour}" stroke="{INK}" stroke-width="{s * 0.05}"/>'
            f'<circle cx="{x + s * 0.5}" cy="{y + s * 0.66}" r="{s * 0.07}" fill="{INK}"/>')


def key(x, y, s, colour):
    return (f'<circle cx="{x + s * 0.28}" cy="{y + s * 0.5}" r="{s * 0.2}" fill="none" '
            f'stroke="{colour}" stroke-width="{s * 0.1}"/>'
            f'<path d="M{x + s * 0.47} {y + s * 0.5} H{x + s * 0.95} M{x + s * 0.8} {y + s * 0.5} '
            f'V{y + s * 0.68} M{x + s * 0.92} {y + s * 0.5} V{y + s * 0.64}" stroke="{colour}" '
            f'stroke-width="{s * 0.1}" fill="none"/>')


def magnifier(x, y, s, colour):
    return (f'<circle cx="{x + s * 0.4}" cy="{y + s * 0.4}" r="{s * 0.26}" fill="#ffffffaa" '
            f'stroke="{colour}" stroke-width="{s * 0.09}"/>'
            f'<path d="M{x + s * 0.6} {y + s * 0.6} L{x + s * 0.92} {y + s * 0.92}" '
            f'stroke="{colour}" stroke-width="{s * 0.13}" stroke-linecap="round"/>')


def sliders(x, y, s):
    body = ""
    for i, at in enumerate((0.3, 0.6, 0.45)):
        ly = y + s * (0.25 + 0.25 * i)
        body += (f'<path d="M{x + s * 0.1} {ly} H{x + s * 0.9}" stroke="{INK}" '
                 f'stroke-width="{s * 0.06}"/>'
                 f'<rect x="{x + s * at - s * 0.07}" y="{ly - s * 0.09}" width="{s * 0.14}" '
                 f'height="{s * 0.18}" rx="{s * 0.03}" fill="{GOLD}" stroke="{INK}" '
                 f'stroke-width="{s * 0.04}"/>')
    return body


def globe(x, y, s):
    cx, cy, r = x + s / 2, y + s / 2, s * 0.4
    return (f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="#8fd0f0" stroke="{INK}" '
            f'stroke-width="{s * 0.05}"/>'
            f'<ellipse cx="{cx}" cy="{cy}" rx="{r * 0.45}" ry="{r}" fill="none" stroke="{INK}" '
            f'stroke-width="{s * 0.04}"/>'
            f'<path d="M{cx - r} {cy} H{cx + r} M{cx - r * 0.85} {cy - r * 0.5} H{cx + r * 0.85} '
            f'M{cx - r * 0.85} {cy + r * 0.5} H{cx + r * 0.85}" stroke="{INK}" '
            f'stroke-width="{s * 0.04}"/>')


def pen(x, y, s):
    return (f'<path d="M{x + s * 0.2} {y + s * 0.8} L{x + s * 0.3} {y + s * 0.55} '
            f'L{x + s * 0.75} {y + s * 0.1} L{x + s * 0.9} {y + s * 0.25} L{x + s * 0.45} '
            f'{y + s * 0.7} Z" fill="{GOLD}" stroke="{INK}" stroke-width="{s * 0.05}" '
            f'stroke-linejoin="round"/>'
            f'<path d="M{x + s * 0.1} {y + s * 0.92} Q{x + s * 0.4} {y + s * 0.82} '
            f'{x + s * 0.9} {y + s * 0.92}" stroke="{INK}" stroke-width="{s * 0.04}" fill="none"/>')


def arrow_home(x, y, s):
    return (f'<path d="M{x + s * 0.5} {y + s * 0.12} L{x + s * 0.9} {y + s * 0.5} H{x + s * 0.76} '
            f'V{y + s * 0.88} H{x + s * 0.24} V{y + s * 0.5} H{x + s * 0.1} Z" fill="{PAPER}" '
            f'stroke="{INK}" stroke-width="{s * 0.06}" stroke-linejoin="round"/>'
            f'<rect x="{x + s * 0.42}" y="{y + s * 0.62}" width="{s * 0.16}" height="{s * 0.26}" '
            f'fill="{ROSE}"/>')


def bits_stream(x, y, w, colour):
    body = ""
    for i in range(int(w // 10)):
        filled = (i * 5 + 3) % 3 != 0
        body += (f'<rect x="{x + i * 10}" y="{y}" width="7" height="7" rx="1" '
                 f'fill="{colour if filled else "none"}" stroke="{colour}" stroke-width="1.2"/>')
    return body


def button_icons():
    s = 28
    return {
        "button_menu": tile("#f3e2b3") + arrow_home(10, 10, s),
        "button_hide": tile("#cfe6f5") + picture_frame(8, 12, 32, 24) + padlock(20, 20, 20, GOLD),
        "button_unhide": tile("#d6efd9") + picture_frame(8, 8, 32, 22) + key(9, 26, 30, INK),
        "button_author": tile("#f7d9cf") + pen(10, 10, s),
        "button_check": tile("#e6e0f5") + picture_frame(8, 8, 26, 20) + magnifier(16, 16, 26, INK),
        "button_options": tile("#efefef") + sliders(8, 8, 32),
        "button_home": tile("#d4ecf7") + globe(8, 8, 32),
    }


def preview(body):
    return svg(240, 160, f'<rect x="1" y="1" width="238" height="158" rx="10" fill="{PAPER}" '
                         f'stroke="{INK}" stroke-width="2"/>' + body)


def previews():
    def files_at(x, y):
        return "".join(
            f'<rect x="{x + i * 8}" y="{y + i * 10}" width="40" height="50" rx="3" '
            f'fill="#ffffff" stroke="{INK}" stroke-width="1.5"/>' for i in range(3))

    files_in = files_at(18, 30)
    return {
        "preview_hide": preview(files_in + f'<path d="M80 80 H120" stroke="{INK}" stroke-width="4" '
                                f'/><path d="M118 72 L130 80 L118 88 Z" fill="{INK}"/>' + bits_stream(70, 100, 70, SEA) +
                                picture_frame(140, 40, 80, 60) + padlock(165, 95, 40, GOLD)),
        "preview_unhide": preview(picture_frame(20, 30, 80, 60) + key(25, 95, 60, INK) +
                                  bits_stream(108, 60, 40, LEAF) + files_at(158, 28)),
        "preview_author": preview(picture_frame(30, 30, 120, 90) + pen(130, 60, 80) +
                                  f'<circle cx="70" cy="110" r="16" fill="none" stroke="{ROSE}" '
                                  f'stroke-width="4"/><path d="M77 104 A9 9 0 1 0 77 116" '
                                  f'fill="none" stroke="{ROSE}" stroke-width="4"/>'),
        "preview_check": preview(picture_frame(30, 30, 120, 90) + magnifier(110, 60, 90, INK) +
                                 "".join(f'<rect x="{30 + i * 12}" y="{135 - (i * 37) % 25}" '
                                         f'width="8" height="{(i * 37) % 25 + 5}" fill="{SEA}"/>'
                                         for i in range(10))),
        "preview_options": preview(sliders(40, 20, 120) + f'<circle cx="190" cy="110" r="26" '
                                   f'fill="none" stroke="{INK}" stroke-width="10" '
                                   f'stroke-dasharray="10 6"/>'),
        "preview_home": preview(globe(70, 20, 120) + f'<path d="M40 140 H200" stroke="{SEA}" '
                                f'stroke-width="3"/>'),
    }


def menu_picture():
    body = (f'<rect x="1" y="1" width="238" height="158" rx="10" fill="{PAPER}" stroke="{INK}" '
            f'stroke-width="2"/>' + picture_frame(24, 24, 110, 80) +
            wave(120, 120, 100, 14, SEA) + bits_stream(24, 130, 90, ROSE) +
            padlock(150, 30, 60, GOLD))
    return svg(240, 160, body)


def pattern():
    body = f'<rect width="16" height="16" fill="#d9d3c0"/>'
    body += '<path d="M0 0 L16 16 M16 0 L0 16" stroke="#cfc8b1" stroke-width="1"/>'
    body += '<circle cx="8" cy="8" r="1.2" fill="#c4bca3"/>'
    return svg(16, 16, body)


def small_icons():
    return {
        "item_file": svg(16, 16, f'<path d="M3 1 H10 L13 4 V15 H3 Z" fill="#ffffff" '
                                 f'stroke="{INK}" stroke-width="1"/><path d="M10 1 V4 H13" '
                                 f'fill="none" stroke="{INK}" stroke-width="1"/>'),
        "item_folder": svg(16, 16, f'<path d="M1 4 H6 L7.5 2.5 H15 V14 H1 Z" fill="{GOLD}" '
                                   f'stroke="{INK}" stroke-width="1"/>'),
        "item_image": svg(16, 16, picture_frame(1, 2, 14, 12)),
        "item_audio": svg(16, 16, f'<rect x="1" y="2" width="14" height="12" rx="2" '
                                  f'fill="#e8f4ea" stroke="{INK}" stroke-width="1"/>' +
                          wave(2, 8, 12, 3.5, LEAF)),
        "item_module": svg(16, 16, f'<rect x="2" y="1.5" width="12" height="13" rx="1.5" '
                                   f'fill="#e6e0f5" stroke="{INK}" stroke-width="1"/>'
                                   f'<path d="M4.5 5 H11.5 M4.5 8 H11.5 M4.5 11 H9" '
                                   f'stroke="{INK}" stroke-width="1"/>'),
        "item_radio_off": svg(16, 16, f'<circle cx="8" cy="8" r="6" fill="#ffffff" '
                                      f'stroke="{INK}" stroke-width="1.2"/>'),
        "item_radio_on": svg(16, 16, f'<circle cx="8" cy="8" r="6" fill="#ffffff" '
                                     f'stroke="{INK}" stroke-width="1.2"/>'
                                     f'<circle cx="8" cy="8" r="3.2" fill="{SEA}"/>'),
    }


def application_icon():
    """A picture that holds a locked stream of bits: what Murl does, on the desktop menus."""
    body = (f'<rect x="2" y="2" width="44" height="44" rx="10" fill="{SEA}" stroke="{INK}" '
            f'stroke-width="2"/>' + picture_frame(7, 8, 30, 22) +
            f'<path d="M8 36 H30" stroke="{PAPER}" stroke-width="3" stroke-dasharray="3 2"/>' +
            padlock(24, 21, 21, GOLD))
    return svg(48, 48, body)


def render_icon_sizes(source):
    """The PNG sizes of the hicolor theme, drawn from the SVG."""
    converter = shutil.which("rsvg-convert")
    if converter is None:
        sys.exit("rsvg-convert is missing: run MURL_WITH_ARTWORK=1 scripts/setup.sh")
    ICONS.mkdir(parents=True, exist_ok=True)
    for size in ICON_SIZES:
        subprocess.run([converter, "-w", str(size), "-h", str(size), "-o",
                        str(ICONS / f"murl-{size}.png"), str(source)], check=True)


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    pictures = {name: svg(48, 48, body) for name, body in button_icons().items()}
    pictures.update(previews())
    pictures.update(small_icons())
    pictures["menu_picture"] = menu_picture()
    pictures["pattern"] = pattern()
    pictures["murl"] = application_icon()
    for name, text in sorted(pictures.items()):
        (OUT / f"{name}.svg").write_text(text)
    render_icon_sizes(OUT / "murl.svg")
    print(f"{len(pictures)} pictures in {OUT}, {len(ICON_SIZES)} icon sizes in {ICONS}")


if __name__ == "__main__":
    main()
