"""Whole jobs, Kestrin's batch commands against Pillow doing the same job in one process.

  jobs_vs_pillow.py peer JOB INPUT OUTPUT     Pillow's side of one job (run by the driver)
  jobs_vs_pillow.py drive PAIRS KESTRIN WORK SIZE...   runs both sides alternately, prints a table

Pillow works on the palette pictures as they are (mode "P"), as a Pillow user would: nearest
resizing and turning, the palette shifted, transparent cells pasted, text drawn, and every frame
saved with the top-left colour transparent. The jobs:
  rotate     36 frames: x3, turned by 0, 10, ..., 350 degrees, x1/3
  colour     stepwise shifts of red 120, green -60, blue 90 by 10 (30 frames)
  mesh       transparent checkerboard cells of 0 to 15 pixels (16 frames)
  *-anim     the same series written as one animated GIF (10 cs a frame, looping)
  comment    10 lines at 24 points with a black outline over the middle of the picture
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

FONT = "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"
FONT_FALLBACKS = [
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
]
COMMENT = "\n".join("第%d行 Kestrin のコメント" % i for i in range(1, 11))


def stepwise_shifts(red, green, blue, step):
    # Red, then green, then blue from 0 to its value; a counter keeps where its loop stopped.
    counters = [0, 0, 0]
    shifts = []
    for channel, end in enumerate((red, green, blue)):
        s = step if end >= 0 else -step
        counters[channel] = 0
        while (counters[channel] <= end) if s >= 0 else (counters[channel] >= end):
            shifts.append(tuple(counters))
            counters[channel] += s
    return shifts


def peer(job, src_path, out):
    from PIL import Image, ImageDraw, ImageFont

    src = Image.open(src_path)
    src.load()
    t = src.getpixel((0, 0))
    kind = job.split("-")[0]
    frames = []
    names = []
    if kind == "rotate":
        for a in range(0, 360, 10):
            big = src.resize((src.width * 3, src.height * 3), Image.NEAREST)
            turned = big.rotate(-a, Image.NEAREST, expand=True, fillcolor=t)
            small = turned.resize(
                (max(1, round(turned.width / 3)), max(1, round(turned.height / 3))), Image.NEAREST)
            frames.append(small)
            names.append("R%d.gif" % a)
    elif kind == "colour":
        palette = src.getpalette()
        for i, (r, g, b) in enumerate(stepwise_shifts(120, -60, 90, 10)):
            f = src.copy()
            shifted = []
            for k in range(0, len(palette), 3):
                shifted += [min(255, max(0, palette[k] + r)), min(255, max(0, palette[k + 1] + g)),
                            min(255, max(0, palette[k + 2] + b))]
            f.putpalette(shifted)
            frames.append(f)
            names.append("Color%d.gif" % i)
    elif kind == "mesh":
        w, h = src.size
        for n in range(16):
            f = src.copy()
            if n > 0:
                # A checkerboard of n-pixel cells, the top-left one filled, built at cell scale.
                cw, ch = -(-w // n), -(-h // n)
                even = (b"\xff\x00" * (cw // 2 + 1))[:cw]
                odd = (b"\x00\xff" * (cw // 2 + 1))[:cw]
                cells = Image.frombytes("L", (cw, ch), ((even + odd) * (ch // 2 + 1))[:cw * ch])
                mask = cells.resize((cw * n, ch * n), Image.NEAREST).crop((0, 0, w, h))
                f.paste(t, (0, 0), mask)
            frames.append(f)
            names.append("Mesh%d.gif" % n)
    elif kind == "comment":
        font_path = next(p for p in [FONT] + FONT_FALLBACKS if os.path.exists(p))
        font = ImageFont.truetype(font_path, 32)
        d = ImageDraw.Draw(src)
        d.multiline_text((src.width / 2, src.height / 2), COMMENT, font=font, fill=(160, 0, 0),
                         anchor="mm", align="center", stroke_width=2, stroke_fill=(0, 0, 0))
        src.save(out, transparency=t)
        return
    if job.endswith("-anim"):
        cw = max(f.width for f in frames)
        chh = max(f.height for f in frames)
        placed = []
        for f in frames:
            c = Image.new("P", (cw, chh), t)
            c.putpalette(f.getpalette())
            c.paste(f, ((cw - f.width) // 2, (chh - f.height) // 2))
            placed.append(c)
        placed[0].save(out, save_all=True, append_images=placed[1:], duration=100, loop=0,
                       transparency=t, disposal=2)
    else:
        for f, name in zip(frames, names):
            f.save(os.path.join(out, name), transparency=t)


def kestrin_args(kestrin, job, src, out):
    kind = job.split("-")[0]
    target = ["--animated", out] if job.endswith("-anim") else ["--out", out]
    if kind == "rotate":
        return [kestrin, "rotate", "--input", src, "--angle", "360", "--increment", "10",
                "--direction", "right"] + target
    if kind == "colour":
        return [kestrin, "colour", "--input", src, "--red", "120", "--green", "-60", "--blue", "90",
                "--mode", "stepwise", "--increment", "10"] + target
    if kind == "mesh":
        return [kestrin, "mesh", "--input", src, "--size", "16", "--order", "fine-to-coarse"
                ] + target
    return [kestrin, "comment", "--input", src, "--output", out, "--text", COMMENT,
            "--placement", "over", "--vertical", "center", "--horizontal", "center",
            "--line-align", "center", "--background", "transparent", "--font", "IPAGothic",
            "--size", "24", "--colour-target", "line", "--red", "160"]


def fresh(out, folder):
    if os.path.isdir(out):
        shutil.rmtree(out)
    elif os.path.exists(out):
        os.remove(out)
    if folder:
        os.mkdir(out)


def output_bytes(out):
    if os.path.isdir(out):
        return sum(os.path.getsize(os.path.join(out, n)) for n in os.listdir(out))
    return os.path.getsize(out)


def timed(args):
    start = time.perf_counter()
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    if status != 0:
        sys.exit("failed (%d): %s\n%s" % (status, " ".join(args[:3]), err))
    return wall, usage.ru_maxrss / 1024.0


def drive(pairs, kestrin, work, inputs):
    me = os.path.abspath(__file__)
    jobs = ["rotate", "rotate-anim", "colour", "colour-anim", "mesh", "mesh-anim"]
    print("%-12s %-11s %9s %9s %7s %9s %9s %11s %11s" %
          ("job", "size", "Kestrin s", "Pillow s", "ratio", "K MB", "P MB", "K bytes",
           "P bytes"))
    for size, src in inputs:
        for job in (["comment"] if size == "4000x3000" else jobs):
            folder = not job.endswith("-anim") and job != "comment"
            ext = "" if folder else ".gif"
            ours_out = os.path.join(work, "k-" + job + ext)
            pil_out = os.path.join(work, "p-" + job + ext)
            ours, pil, ratios = [], [], []
            for _ in range(pairs):
                fresh(ours_out, folder)
                k = timed(kestrin_args(kestrin, job, src, ours_out))
                fresh(pil_out, folder)
                p = timed(["/usr/bin/python3", me, "peer", job, src, pil_out])
                ours.append(k)
                pil.append(p)
                ratios.append(p[0] / k[0])
            km = statistics.median(x[0] for x in ours)
            pm = statistics.median(x[0] for x in pil)
            print("%-12s %-11s %9.3f %9.3f %6.2fx %9.1f %9.1f %11d %11d" %
                  (job, size, km, pm, statistics.median(ratios), max(x[1] for x in ours),
                   max(x[1] for x in pil), output_bytes(ours_out), output_bytes(pil_out)),
                  flush=True)


if __name__ == "__main__":
    if sys.argv[1] == "peer":
        peer(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        rest = sys.argv[5:]
        drive(int(sys.argv[2]), sys.argv[3], sys.argv[4],
              [(rest[i], rest[i + 1]) for i in range(0, len(rest), 2)])
