#!/usr/bin/env bash
# Refreshes the user's guide pictures from the screenshots the window and options tests leave
# in build/x64/artifacts (run scripts/test first). Each is cut to the window it shows.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
artifacts=${1:-$here/../build/x64/artifacts}
/usr/bin/python3 - "$artifacts" "$here" <<'PY'
import sys
from PIL import Image
src, dst = sys.argv[1], sys.argv[2]
# name: (left, top, right, bottom) of the window in the test's screen
cuts = {
    "idle-window": (96, 46, 406, 206),
    "recording-window": (96, 46, 406, 206),
    "options-volume-page": (56, 0, 446, 358),
    "options-autostop-page": (56, 0, 446, 358),
}
for name, box in cuts.items():
    Image.open(f"{src}/{name}.png").crop(box).save(f"{dst}/{name}.png", optimize=True)
    print(f"{dst}/{name}.png")
PY
