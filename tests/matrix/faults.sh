#!/usr/bin/env bash
# The comparison's metric against faults put into the picture on purpose, each drawn by the
# real executable on llvmpipe (offscreen) and compared with the reference it must not
# match: the normal map's green channel flipped (a wrong sign), the map mirrored (wrong
# texels), the colour map or the specular term left out (a missing term), the light 20 ms
# further on its orbit. One faithful capture must match, so that a failure to compare at all
# is not taken for a caught fault.
#   faults.sh EXE ASSETS_DIR OUT_DIR PICTURE_COMPARE
set -uo pipefail
exe=$(realpath "$1")
assets=$(realpath "$2")
out=$(realpath -m "$3")
compare=$4
golden=$(cd "$(dirname "$0")/../golden" && pwd)
rm -rf "$out"
mkdir -p "$out/run" "$out/reference" "$out/got" "$out/diff"
cp -r "$assets"/. "$out/run/"
cd "$out/run" || exit 1
export SDL_VIDEODRIVER=offscreen
unset DISPLAY

# The map mirrored left to right: a 24-bit BMP whose rows need no padding.
python3 - Textures/wall_bump.bmp mirrored.bmp <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset = struct.unpack("<I", data[10:14])[0]
width, height = struct.unpack("<ii", data[18:26])
assert (width * 3) % 4 == 0
pixels = bytearray()
for y in range(height):
    row = data[offset + y * width * 3: offset + (y + 1) * width * 3]
    pixels += b"".join(row[x * 3: x * 3 + 3] for x in reversed(range(width)))
open(sys.argv[2], "wb").write(data[:offset] + bytes(pixels))
PY

# NAME REFERENCE EXPECTED OPTIONS...
failed=0
while read -r name reference expected options; do
  # shellcheck disable=SC2086
  "$exe" $options --frames 1 --screenshot "$out/got/$name.png" >/dev/null || failed=1
  cp "$golden/$reference.png" "$out/reference/$name.png"
  echo "$name" >"$out/reference/cases.txt"
  # Exit status 1 is a picture that failed; anything else (2: no picture to compare)
  # is neither a pass nor a caught fault.
  "$compare" "$out/reference" "$out/got" "$out/diff" >"$out/$name.txt"
  case $? in 0) result=pass ;; 1) result=fail ;; *) result=error ;; esac
  grep -q "^FAIL $name .*no " "$out/$name.txt" && result=error
  printf '%-18s %s (must %s): %s\n' "$name" "$result" "$expected" "$(head -n 1 "$out/$name.txt")"
  [ "$result" = "$expected" ] || failed=1
done <<'CASES'
faithful wall-lit-t300 pass --model wall --time 300
flipped-green wall-lit-t300 fail --model wall --time 300 --flip-green
flipped-sphere sphere-lit-t300 fail --model sphere --time 300 --flip-green
mirrored-map wall-lit-t300 fail --model wall --time 300 --normal-map mirrored.bmp
no-colour wall-colour-t300 fail --model wall --time 300
no-highlight sphere-highlight-t300 fail --model sphere --time 300
light-20ms-on wall-lit-t300 fail --model wall --time 320
CASES
exit $failed
