#!/usr/bin/env bash
# The rotation editor's build (36 frames: x3, turn by 0, 10, ..., 350 degrees, x1/3) and save
# (36 GIF files) through its logic class, against Pillow doing the same chain in one process:
#   resize x3 (nearest), rotate with expand (nearest), resize /3 (nearest), quantise to 256
#   colours, save 36 GIFs.
#
#   bench/rotation_editor_vs_pillow.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

source "$root/bench/common.sh"
need_pillow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" rotation_editor_bench
bench=$build/bin/rotation_editor_bench
"$bench" --write-input "$work/in.gif"
mkdir "$work/ours" "$work/pil"

read -r build_s save_s < <("$bench" --seconds "$work/in.gif" "$work/ours")
read -r pil_build pil_save < <(/usr/bin/python3 - "$work/in.gif" "$work/pil" <<'PY'
import sys, time
from PIL import Image
src = Image.open(sys.argv[1]).convert("RGB")
best_b = best_s = 1e9
for _ in range(3):
    t0 = time.perf_counter()
    frames = []
    for a in range(0, 360, 10):
        big = src.resize((src.width * 3, src.height * 3), Image.NEAREST)
        turned = big.rotate(-a, resample=Image.NEAREST, expand=True)
        small = turned.resize((max(1, round(turned.width / 3)), max(1, round(turned.height / 3))),
                              Image.NEAREST)
        frames.append(small.quantize(256))
    t1 = time.perf_counter()
    for a, f in zip(range(0, 360, 10), frames):
        f.save("%s/R%d.gif" % (sys.argv[2], a))
    t2 = time.perf_counter()
    best_b, best_s = min(best_b, t1 - t0), min(best_s, t2 - t1)
print("%.4f %.4f" % (best_b, best_s))
PY
)

fps() { awk -v t="$1" 'BEGIN { printf "%.1f", 36 / t }'; }
echo "rotation editor: 36 frames of a 320 x 240 picture of 100 colours, built then saved"
printf 'Pillow  (best of 3, one process): build %7.3f s (%s frames/s)  save %7.3f s (%s frames/s)\n' \
  "$pil_build" "$(fps "$pil_build")" "$pil_save" "$(fps "$pil_save")"
printf 'Kestrin (best of 3, logic class): build %7.3f s (%s frames/s)  save %7.3f s (%s frames/s)\n' \
  "$build_s" "$(fps "$build_s")" "$save_s" "$(fps "$save_s")"
awk -v pb="$pil_build" -v ps="$pil_save" -v kb="$build_s" -v ks="$save_s" \
  'BEGIN { printf "ratio Pillow / Kestrin, build plus save: %.2f x\n", (pb + ps) / (kb + ks) }'
