#!/usr/bin/python3
"""How recognisable each output is: every output rendered as people see it,
scored against the photo it was made from.

    recognisability.py CONVERTER WORK_FOLDER [--columns 80,160] [--photos N]
                       [--only PATTERN,...]

PATTERN matches an output's name as the table gives it with its format
("varnelo -m ramp --fill png", "chafa ansi"); all of them by default.

Each photo is drawn at one budget of character cells: C columns, the rows
left to each tool. Renders: a PNG as written; an HTML document by headless
Chromium's screenshot inside a frame drawn round its characters; an RTF document by LibreOffice's PDF and pdftoppm;
terminal text by the one terminal renderer below, for our output and the
peers' alike (cells of 8 x 16 pixels in DejaVu Sans Mono, block elements
drawn as terminals draw them, on a black screen).

Every render is brought to 8 pixels a column and compared with the photo
resampled to its pixels: the SSIM of lightness (CIELAB L*) after a Gaussian
blur of half a cell (4 x 8 pixels), the SSIM of the blurred lightness's
Sobel edges, the mean CIEDE2000 of the colours after the same blur, and the
drawn proportion (width / height) against the photo's. The colours are
compared blurred, not as means of 8 x 16 squares: a document whose lines
are not 16 pixels apart once brought to 8 pixels a column (HTML at 8pt
lays them 12.4 pixels apart) had its cells cut across by the squares, and
a shift of one pixel moved its score by a third. The table gives each
score's mean over the photos; the renders stay in WORK_FOLDER/renders.
"""

import argparse
import concurrent.futures
import fnmatch
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image, ImageDraw, ImageFont
from scipy import ndimage
from skimage import color, data as skdata, metrics, transform

PHOTO_FOLDER = os.path.dirname(skdata.__file__)
# Real photographs Debian ships with python3-skimage: colour and grey,
# faces, animals, objects, machines, a landscape.
PHOTOS = ["astronaut.png", "chelsea.png", "coffee.png", "rocket.jpg",
          "motorcycle_left.png", "camera.png", "coins.png"]
MONO_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
# What fontconfig gives a terminal for the characters the monospaced face
# lacks (braille): the proportional face of the family.
FALLBACK_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
CELL_W, CELL_H = 8, 16

CHROMIUM = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
            "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--hide-scrollbars",
            "--force-device-scale-factor=1"]


def run(command, **kwargs):
    """The finished command; one that outlasts five minutes counts as failed."""
    try:
        return subprocess.run(command, check=False, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=300, **kwargs)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(command, 124, b"", b"")


# --- the terminal renderer -------------------------------------------------

def xterm_palette():
    base = [(0, 0, 0), (205, 0, 0), (0, 205, 0), (205, 205, 0), (0, 0, 238), (205, 0, 205),
            (0, 205, 205), (229, 229, 229), (127, 127, 127), (255, 0, 0), (0, 255, 0),
            (255, 255, 0), (92, 92, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    steps = [0, 95, 135, 175, 215, 255]
    cube = [(steps[i // 36], steps[i // 6 % 6], steps[i % 6]) for i in range(216)]
    grey = [(8 + 10 * i,) * 3 for i in range(24)]
    return base + cube + grey


PALETTE = xterm_palette()
DEFAULT_FG, DEFAULT_BG = (208, 208, 208), (0, 0, 0)


def parse_terminal(text):
    """The cells the terminal shows: rows of (character, ink, background)."""
    rows, row = [], []
    fg, bg, inverse = None, None, False
    i = 0
    csi = re.compile(r"\x1b\[([0-9;?]*)([@-~])")
    while i < len(text):
        ch = text[i]
        if ch == "\x1b":
            m = csi.match(text, i)
            if m:
                if m.group(2) == "m":
                    fg, bg, inverse = apply_sgr(m.group(1), fg, bg, inverse)
                i = m.end()
                continue
            # Another escape (OSC, charset): skip to its end.
            end = text.find("\x07", i)
            i = end + 1 if end >= 0 and text[i + 1:i + 2] == "]" else i + 2
            continue
        if ch == "\n":
            rows.append(row)
            row = []
        elif ch == "\r":
            pass
        elif ch >= " ":
            ink, ground = (bg, fg) if inverse else (fg, bg)
            row.append((ch, ink or (DEFAULT_BG if inverse else DEFAULT_FG),
                        ground or (DEFAULT_FG if inverse else DEFAULT_BG)))
        i += 1
    if row:
        rows.append(row)
    while rows and not rows[-1]:
        rows.pop()
    return rows


def apply_sgr(parameters, fg, bg, inverse):
    codes = [int(p) if p.isdigit() else 0 for p in parameters.split(";")] if parameters else [0]
    k = 0
    while k < len(codes):
        c = codes[k]
        if c == 0:
            fg, bg, inverse = None, None, False
        elif c == 7:
            inverse = True
        elif c == 27:
            inverse = False
        elif c in (38, 48) and k + 1 < len(codes):
            if codes[k + 1] == 2 and k + 4 < len(codes):
                value = tuple(codes[k + 2:k + 5])
                k += 4
            elif codes[k + 1] == 5 and k + 2 < len(codes):
                value = PALETTE[codes[k + 2] % 256]
                k += 2
            else:
                value = None
            if c == 38:
                fg = value
            else:
                bg = value
        elif c == 39:
            fg = None
        elif c == 49:
            bg = None
        elif 30 <= c <= 37:
            fg = PALETTE[c - 30]
        elif 90 <= c <= 97:
            fg = PALETTE[c - 90 + 8]
        elif 40 <= c <= 47:
            bg = PALETTE[c - 40]
        elif 100 <= c <= 107:
            bg = PALETTE[c - 100 + 8]
        k += 1
    return fg, bg, inverse


_FONT = None
_COVERAGE = {}


def block_coverage(code):
    """Block elements as terminals draw them: by geometry, not the font."""
    m = np.zeros((CELL_H, CELL_W), np.float32)
    h2, w2 = CELL_H // 2, CELL_W // 2
    if 0x2581 <= code <= 0x2588:  # lower eighths to full
        m[CELL_H - CELL_H * (code - 0x2580) // 8:, :] = 1
    elif code == 0x2580:
        m[:h2, :] = 1
    elif 0x2589 <= code <= 0x258F:  # left seven eighths to one eighth
        m[:, :CELL_W * (0x2590 - code) // 8] = 1
    elif code == 0x2590:
        m[:, w2:] = 1
    elif code in (0x2591, 0x2592, 0x2593):
        m[:, :] = (code - 0x2590) / 4
    elif code == 0x2594:
        m[:CELL_H // 8, :] = 1
    elif code == 0x2595:
        m[:, CELL_W - CELL_W // 8:] = 1
    else:  # quadrants 2596..259F: upper left, upper right, lower left, lower right
        quads = {0x2596: "..x.", 0x2597: "...x", 0x2598: "x...", 0x2599: "x.xx",
                 0x259A: "x..x", 0x259B: "xxx.", 0x259C: "xx.x", 0x259D: ".x..",
                 0x259E: ".xx.", 0x259F: ".xxx"}[code]
        for q, (ys, xs) in enumerate([(slice(0, h2), slice(0, w2)), (slice(0, h2), slice(w2, None)),
                                      (slice(h2, None), slice(0, w2)),
                                      (slice(h2, None), slice(w2, None))]):
            if quads[q] == "x":
                m[ys, xs] = 1
    return m


def coverage(ch):
    global _FONT
    if ch not in _COVERAGE:
        code = ord(ch)
        if 0x2580 <= code <= 0x259F:
            _COVERAGE[ch] = block_coverage(code)
        else:
            if _FONT is None:
                _FONT = [ImageFont.truetype(MONO_FONT, 14), ImageFont.truetype(FALLBACK_FONT, 14)]

            def drawn(font, c):
                glyph = Image.new("L", (CELL_W, CELL_H), 0)
                ImageDraw.Draw(glyph).text((0, 0), c, fill=255, font=font)
                return np.asarray(glyph, np.float32) / 255
            # A glyph the face lacks draws as its missing glyph: then the
            # fallback's, in the same cell.
            picture = drawn(_FONT[0], ch)
            if ch != " " and np.array_equal(picture, drawn(_FONT[0], "\U0010FFFD")):
                picture = drawn(_FONT[1], ch)
            _COVERAGE[ch] = picture
    return _COVERAGE[ch]


def render_terminal(text, columns):
    rows = parse_terminal(text)
    width = max([columns] + [len(r) for r in rows])
    picture = np.zeros((len(rows) * CELL_H, width * CELL_W, 3), np.float32)
    picture[:, :] = DEFAULT_BG
    for y, row in enumerate(rows):
        for x, (ch, ink, ground) in enumerate(row):
            a = coverage(ch)[..., None]
            cell = np.asarray(ground, np.float32) * (1 - a) + np.asarray(ink, np.float32) * a
            picture[y * CELL_H:(y + 1) * CELL_H, x * CELL_W:(x + 1) * CELL_W] = cell
    # The drawn part: the widest row's cells.
    drawn = max((len(r) for r in rows), default=0)
    return picture[:, :drawn * CELL_W].astype(np.uint8)


# --- documents ---------------------------------------------------------------

# Added to a copy of a document: a magenta frame just outside the union of
# its characters' boxes (its blocks span the window), which the screenshot
# is cropped to.
FRAME_SCRIPT = b"""<script>
var w = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT), n, l = 1e9, t = 1e9,
    r = -1e9, b = -1e9, range = document.createRange();
while ((n = w.nextNode())) {
  if (!n.data.trim()) continue;
  range.selectNodeContents(n);
  for (const x of range.getClientRects()) {
    if (x.width <= 0) continue;
    l = Math.min(l, x.left); t = Math.min(t, x.top); r = Math.max(r, x.right);
    b = Math.max(b, x.bottom);
  }
}
var f = document.createElement('div');
f.style.cssText = 'position:absolute;box-sizing:border-box;border:2px solid #ff00ff;' +
  'left:' + (Math.round(l) - 2) + 'px;top:' + (Math.round(t) - 2) + 'px;width:' +
  (Math.round(r) - Math.round(l) + 4) + 'px;height:' + (Math.round(b) - Math.round(t) + 4) + 'px';
document.body.appendChild(f);
</script>"""


def render_html(path, work):
    """Chromium's screenshot inside the frame: one start of Chromium a
    document."""
    profile = tempfile.mkdtemp(dir=work)
    try:
        framed = path + ".framed.html"
        with open(path, "rb") as source, open(framed, "wb") as target:
            target.write(source.read() + FRAME_SCRIPT)
        shot = path + ".png"
        run(CHROMIUM + ["--user-data-dir=" + profile, "--window-size=4000,3000",
                        "--screenshot=" + shot, "file://" + os.path.abspath(framed)])
        if not os.path.exists(shot):
            return None
        picture = np.asarray(Image.open(shot).convert("RGB"))
        magenta = np.all(picture == (255, 0, 255), axis=2)
        rows = np.flatnonzero(magenta.any(axis=1))
        columns = np.flatnonzero(magenta.any(axis=0))
        if rows.size < 2 or columns.size < 2:
            return None
        return picture[rows[0] + 2:rows[-1] - 1, columns[0] + 2:columns[-1] - 1]
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def render_rtf_all(paths, work):
    """LibreOffice converts all the documents in one start."""
    if not paths:
        return {}
    profile = os.path.abspath(tempfile.mkdtemp(dir=work))
    folder = os.path.dirname(paths[0])
    run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to",
         "pdf", "--outdir", folder] + paths)
    shutil.rmtree(profile, ignore_errors=True)
    return {path: render_pdf(os.path.splitext(path)[0] + ".pdf") for path in paths}


def render_pdf(pdf, dpi=96):
    if not os.path.exists(pdf):
        return None
    layout = run(["pdftotext", "-f", "1", "-l", "1", "-bbox-layout", pdf, "-"]).stdout.decode()
    boxes = [tuple(float(v) for v in m.groups()) for m in re.finditer(
        r'<line xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)"', layout)]
    if not boxes:
        return None
    base = os.path.splitext(pdf)[0]
    run(["pdftoppm", "-f", "1", "-l", "1", "-singlefile", "-r", str(dpi), "-png", pdf, base])
    picture = np.asarray(Image.open(base + ".png").convert("RGB"))
    scale = dpi / 72
    left = min(b[0] for b in boxes) * scale
    top = min(b[1] for b in boxes) * scale
    right = max(b[2] for b in boxes) * scale
    bottom = max(b[3] for b in boxes) * scale
    return picture[int(round(top)):int(round(bottom)), int(round(left)):int(round(right))]


# --- scores ------------------------------------------------------------------

def lightness(rgb):
    return color.rgb2lab(rgb)[..., 0]


def score(render, photo, columns):
    """SSIM of lightness, SSIM of edges, mean CIEDE2000, all at a cell's scale;
    proportion."""
    if render is None or render.size == 0 or render.shape[0] < 2 or render.shape[1] < 2:
        return None
    width = columns * CELL_W
    height = max(2 * CELL_H, int(round(render.shape[0] * width / render.shape[1])))
    drawn = transform.resize(render, (height, width, 3), anti_aliasing=True)
    seen = transform.resize(photo, (height, width, 3), anti_aliasing=True)
    sigma = (CELL_H / 2, CELL_W / 2)
    l_drawn = ndimage.gaussian_filter(lightness(drawn), sigma)
    l_seen = ndimage.gaussian_filter(lightness(seen), sigma)
    ssim_l = metrics.structural_similarity(l_drawn, l_seen, data_range=100)
    e_drawn = np.hypot(ndimage.sobel(l_drawn, 0), ndimage.sobel(l_drawn, 1))
    e_seen = np.hypot(ndimage.sobel(l_seen, 0), ndimage.sobel(l_seen, 1))
    ssim_e = metrics.structural_similarity(e_drawn, e_seen,
                                           data_range=max(e_seen.max(), e_drawn.max(), 1e-6))
    blurred = lambda p: np.stack([ndimage.gaussian_filter(p[..., k], sigma) for k in range(3)],
                                 axis=-1)
    delta_e = float(np.mean(color.deltaE_ciede2000(color.rgb2lab(blurred(drawn)),
                                                   color.rgb2lab(blurred(seen)))))
    proportion = (render.shape[1] / render.shape[0]) / (photo.shape[1] / photo.shape[0])
    return ssim_l, ssim_e, delta_e, proportion


# --- the outputs -------------------------------------------------------------

OUR_FORMATS = {"png": "png", "plain-html": "html", "css-html": "html", "rtf": "rtf",
               "ansi": "ans"}


def chosen(name, only):
    """Whether --only (patterns joined by commas) takes the output."""
    return not only or any(fnmatch.fnmatch(name, p) for p in only.split(","))


def our_modes(converter):
    helped = run([converter, "--help"]).stdout.decode()
    listed = re.search(r"--mode MODE\s+(.*?)\n\s+--", helped, re.S).group(1)
    words = re.split(r"[,\s]+", re.sub(r"\([^)]*\)", "", listed))
    return [w for w in words if w and w != "or"], helped


def our_commands(converter, photo, columns, out, only):
    modes, helped = our_modes(converter)
    sized = "--size" in helped
    commands = []
    for mode in modes:
        for fmt, extension in OUR_FORMATS.items():
            # Symbols fill every cell: their variants are sets of symbols.
            if mode == "symbols":
                variants = [[], ["--symbols", "ascii"], ["--symbols", "braille"]]
            elif "--no-fill" in helped:
                variants = [[], ["--fill"], ["--no-fill"]]
            else:
                variants = [[], ["--fill"]]
            for fill in variants:
                name = "varnelo -m %s%s %s" % (mode, "".join(" " + f for f in fill), fmt)
                if not chosen(name, only):
                    continue
                target = os.path.join(out, re.sub(r"[^a-z0-9]+", "_", name) + "." + extension)
                size = ["--size", "%dx" % columns] if sized else ["-W", str(columns // 2)]
                extra = ["--phrase", "varnelo"] if mode == "text" else []
                commands.append((name, fmt, [converter, "-q", "-m", mode, "-f", fmt, *fill,
                                             *size, *extra, "--seed", "1", "-o", target,
                                             photo], target))
    return commands


def peer_commands(photo, columns, out, only):
    peers = {
        "chafa": ["chafa", "-f", "symbols", "-c", "full", "-s", "%dx" % columns],
        "chafa --symbols ascii": ["chafa", "-f", "symbols", "-c", "full", "--symbols", "ascii",
                                  "-s", "%dx" % columns],
        "chafa --symbols ascii --fg-only": ["chafa", "-f", "symbols", "-c", "full", "--symbols",
                                            "ascii", "--fg-only", "-s", "%dx" % columns],
        "chafa --symbols braille": ["chafa", "-f", "symbols", "-c", "full", "--symbols",
                                    "braille", "-s", "%dx" % columns],
        "jp2a --colors": ["jp2a", "--colors", "--color-depth=24", "--width=%d" % columns],
        "jp2a --colors --fill": ["jp2a", "--colors", "--color-depth=24", "--fill",
                                 "--width=%d" % columns],
        "img2txt": ["img2txt", "-f", "utf8", "-W", str(columns)],
    }
    commands = []
    for name, command in peers.items():
        if not chosen(name + " ansi", only):
            continue
        if shutil.which(command[0]):
            target = os.path.join(out, re.sub(r"[^a-z0-9]+", "_", name) + ".ans")
            commands.append((name, "ansi", command + [photo], target))
    return commands


# One terminal for every tool: 24-bit colours.
TERMINAL = dict(os.environ, TERM="xterm-256color", COLORTERM="truecolor")


def render_one(name, fmt, command, target, columns, work):
    if fmt == "ansi" and not command[0].endswith("varnelo-convert"):
        with open(target, "wb") as f:
            f.write(run(command, env=TERMINAL).stdout)
    elif run(command, env=TERMINAL).returncode != 0:
        return None
    if not os.path.exists(target):
        return None
    if fmt == "png":
        return np.asarray(Image.open(target).convert("RGB"))
    if fmt == "ansi":
        with open(target, "rb") as f:
            return render_terminal(f.read().decode("utf-8", "replace"), columns)
    if fmt.endswith("html"):
        return render_html(target, work)
    return None  # RTF: all at once


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("converter")
    parser.add_argument("work")
    parser.add_argument("--columns", default="80,160")
    parser.add_argument("--photos", type=int, default=len(PHOTOS))
    parser.add_argument("--only", default="")
    arguments = parser.parse_args()
    columns_list = [int(c) for c in arguments.columns.split(",")]
    scores = {}
    for photo_name in PHOTOS[:arguments.photos]:
        photo_path = os.path.join(PHOTO_FOLDER, photo_name)
        photo = np.asarray(Image.open(photo_path).convert("RGB"))
        for columns in columns_list:
            out = os.path.join(arguments.work, "renders", "%s-%d" % (
                os.path.splitext(photo_name)[0], columns))
            os.makedirs(out, exist_ok=True)
            commands = (our_commands(arguments.converter, photo_path, columns, out,
                                     arguments.only) +
                        peer_commands(photo_path, columns, out, arguments.only))
            renders = {}
            with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
                futures = {pool.submit(render_one, *c, columns, arguments.work): c
                           for c in commands}
                for future, c in futures.items():
                    renders[(c[0], c[1])] = (future.result(), c[3])
            rtf = [t for (n, f), (r, t) in renders.items() if f == "rtf" and os.path.exists(t)]
            for path, picture in render_rtf_all(rtf, arguments.work).items():
                for key, (r, t) in renders.items():
                    if t == path:
                        renders[key] = (picture, t)
            for (name, fmt), (picture, target) in renders.items():
                if picture is not None and fmt != "png":
                    Image.fromarray(picture).save(target + ".seen.png")
                scores.setdefault((name, fmt), {}).setdefault(columns, []).append(
                    score(picture, photo, columns))
            print("%s at %d columns: %d outputs" % (photo_name, columns, len(commands)),
                  file=sys.stderr)
    print_table(scores, columns_list)
    with open(os.path.join(arguments.work, "scores.json"), "w") as f:
        json.dump({"%s|%s" % k: v for k, v in scores.items()}, f)


def print_table(scores, columns_list):
    header = "| output | format |" + "".join(
        " SSIM L %d | SSIM edges %d | ΔE %d | proportion %d |" % ((c,) * 4)
        for c in columns_list)
    print(header)
    print("|" + "---|" * (2 + 4 * len(columns_list)))
    rows = []
    for (name, fmt), by_columns in scores.items():
        cells = []
        for c in columns_list:
            got = [s for s in by_columns.get(c, []) if s is not None]
            if len(got) < len(by_columns.get(c, [])) or not got:
                cells += ["failed"] * 4
                continue
            mean = np.mean(np.asarray(got), axis=0)
            cells += ["%.3f" % mean[0], "%.3f" % mean[1], "%.1f" % mean[2], "%.2f" % mean[3]]
        rows.append((name, fmt, cells))
    for name, fmt, cells in sorted(rows, key=lambda r: (not r[0].startswith("varnelo"), r[0],
                                                         r[1])):
        print("| %s | %s | %s |" % (name, fmt, " | ".join(cells)))


if __name__ == "__main__":
    main()
