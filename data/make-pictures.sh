#!/usr/bin/env bash
# Draws the pictures that the shipped themes and pages use, with ImageMagick.
# The PNG files are kept in the repository, so the build never needs this
# script; run it again after changing a drawing. Each picture is written once:
# the themes' own pictures to template/, the item icons and the page pictures
# to pictures/. The build copies them wherever they are needed (see
# CMakeLists.txt here).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
tpl="$here/template"
pics="$here/pictures"
mkdir -p "$tpl" "$pics"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Plain, reproducible PNG files: no time stamps or other chunks that change
# from run to run.
im() {
  local dest="${@: -1}"
  convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time "PNG32:$dest"
}
out() { echo "$tmp/$1"; }

# --- icons shared by the themes (20 x 20) -----------------------------------
# A topic: a folder.
im -size 20x20 xc:none -fill '#f2c14e' -stroke '#a87a16' -strokewidth 1 \
   -draw 'polygon 1.5,4.5 7.5,4.5 9.5,6.5 18.5,6.5 18.5,16.5 1.5,16.5' \
   -fill '#f7d77f' -draw 'polygon 1.5,8.5 18.5,8.5 18.5,16.5 1.5,16.5' \
   "$(out icon_topic.png)"
# A note: a page with a folded corner and lines of writing.
im -size 20x20 xc:none -fill '#fffdf2' -stroke '#8a7a4a' -strokewidth 1 \
   -draw 'polygon 3.5,1.5 12.5,1.5 16.5,5.5 16.5,18.5 3.5,18.5' \
   -fill '#e8dcb0' -draw 'polygon 12.5,1.5 12.5,5.5 16.5,5.5' \
   -stroke '#9aa7c0' -draw 'line 6,8 14,8' -draw 'line 6,11 14,11' -draw 'line 6,14 12,14' \
   "$(out icon_note.png)"
# A picture: a framed landscape with a sun.
im -size 20x20 xc:none -fill '#dff0ff' -stroke '#3d6a8f' -strokewidth 1 \
   -draw 'rectangle 1.5,3.5 18.5,16.5' \
   -stroke none -fill '#f2b632' -draw 'circle 13.5,7.5 15.5,7.5' \
   -fill '#4f8f4a' -draw 'polygon 2,16 7,9 11,13 13,11 18,16' \
   "$(out icon_picture.png)"
# A sketch: a pencil stroke on paper.
im -size 20x20 xc:none -fill '#ffffff' -stroke '#777777' -strokewidth 1 \
   -draw 'rectangle 1.5,3.5 18.5,16.5' \
   -fill none -stroke '#333333' -strokewidth 1.3 -draw 'bezier 4,13 7,5 10,15 15,7' \
   "$(out icon_sketch.png)"
# A reference: a closed book with a bookmark.
im -size 20x20 xc:none -fill '#8c2f39' -stroke '#5a1a22' -strokewidth 1 \
   -draw 'roundrectangle 3.5,1.5 16.5,18.5 1,1' \
   -stroke none -fill '#f3e9d2' -draw 'rectangle 14,3 15,17' \
   -fill '#e0b43c' -draw 'polygon 7,1 10,1 10,8 8.5,6.5 7,8' \
   "$(out icon_reference.png)"

# --- Show Everything: a deep blue band for the title ------------------------
im -size 8x110 gradient:'#2f6a97'-'#17344f' "$(out se_band.png)"

# --- Notebook: paper grain and a spiral binding ------------------------------
im -size 96x96 xc:'#fbf8ee' -seed 7 -attenuate 0.5 +noise Uniform \
   -colorspace Gray -fill '#fbf6e6' -colorize 75% "$(out nb_paper.png)"
im -size 28x44 xc:'#3b4f63' -fill '#2e3e4e' -draw 'rectangle 0,30 28,44' \
   -stroke none -fill '#151d26' -draw 'circle 14,35 14,39' \
   -fill none -stroke '#8e98a3' -strokewidth 4 -draw 'roundrectangle 9,3 19,36 5,5' \
   -stroke '#e4e8ec' -strokewidth 2 -draw 'roundrectangle 9,3 19,36 5,5' \
   -stroke none -fill '#151d26' -draw 'rectangle 12,33 16,38' \
   "$(out nb_rings.png)"

# --- Picture Album: a film strip --------------------------------------------
im -size 26x34 xc:'#121212' -fill '#3a3a3a' \
   -draw 'roundrectangle 7,3 19,9 2,2' -draw 'roundrectangle 7,25 19,31 2,2' \
   -fill '#1d1d1d' -draw 'rectangle 0,12 26,22' \
   "$(out al_film.png)"

# --- Reading List: a shelf of book spines -----------------------------------
convert -size 200x64 xc:'#5b3a22' "$tmp/shelf.png"
x=4
colours=('#8c2f39' '#2f5d62' '#c98b2b' '#3d4f7c' '#6b8e4e' '#a34d2c' '#4b3b66' '#2d6e8e' '#b5651d' '#5e7d3a' '#7a2e4d' '#356859')
i=0
draw=()
while [ $x -lt 196 ]; do
  w=$(( 9 + (i * 7) % 9 )); h=$(( 40 + (i * 13) % 18 )); c=${colours[$(( i % ${#colours[@]} ))]}
  draw+=(-fill "$c" -draw "rectangle $x,$(( 60 - h )) $(( x + w - 1 )),59")
  draw+=(-fill '#f1e3c0' -draw "rectangle $x,$(( 60 - h + 5 )) $(( x + w - 1 )),$(( 60 - h + 6 ))")
  x=$(( x + w + 1 )); i=$(( i + 1 ))
done
im "$tmp/shelf.png" "${draw[@]}" -fill '#3e2716' -draw 'rectangle 0,60 200,64' "$(out rl_shelf.png)"

# --- Handheld Order: a handheld seen from the front --------------------------
im -size 40x56 xc:none -fill '#4a5562' -stroke '#2b323a' -strokewidth 1 \
   -draw 'roundrectangle 1.5,1.5 38.5,54.5 6,6' \
   -stroke none -fill '#b9c6a5' -draw 'rectangle 7,6 33,34' \
   -fill '#6d7a5c' -draw 'rectangle 10,10 28,11' -draw 'rectangle 10,14 30,15' -draw 'rectangle 10,18 24,19' \
   -fill '#8c97a3' -draw 'circle 11,44 14,44' -draw 'circle 29,44 32,44' \
   -draw 'roundrectangle 17,41 23,47 2,2' \
   "$(out hh_device.png)"

for f in "$tmp"/*.png; do
  case "$(basename "$f")" in
    shelf.png) ;;
    icon_*.png) cp "$f" "$pics/" ;;
    *) cp "$f" "$tpl/" ;;
  esac
done

# --- pages: the program's mark and a band ------------------------------------
im -size 64x64 xc:none -fill '#1f5f7a' -draw 'roundrectangle 1,1 62,62 12,12' \
   -fill '#2c7f9f' -draw 'roundrectangle 1,1 62,34 12,12' -draw 'rectangle 1,20 62,34' \
   -fill '#1f5f7a' -draw 'rectangle 1,32 62,36' \
   -fill white -stroke none -draw 'polygon 46,10 50,12 26,50 22,54 21,52 24,47' \
   -fill '#cfe7f0' -draw 'polygon 46,10 36,16 28,30 25,44 24,47 32,34 42,22' \
   -fill '#f2b632' -draw 'rectangle 14,52 44,54' \
   "$(out quillet_mark.png)"
im -size 8x120 gradient:'#2c7f9f'-'#174a60' "$(out page_band.png)"
cp "$(out quillet_mark.png)" "$(out page_band.png)" "$pics/"
echo "pictures written to template/ and pictures/"
