#!/bin/sh
# Regenerates the toolbar images (16 x 15) and the program icon with ImageMagick.
# The PNG files are committed; run this only to change them.
set -e
cd "$(dirname "$0")"
tb() { # name, draw commands...
    name=$1; shift
    convert -size 16x15 xc:none "$@" "toolbar/$name.png"
}
letter() { # name, text, colour
    tb "$1" -font DejaVu-Sans-Bold -pointsize 10 -fill "$3" -gravity center -annotate +0+0 "$2"
}
tb open -fill '#d8b040' -stroke '#806010' -draw 'polygon 1,4 6,4 7,5 14,5 14,13 1,13'
tb copy -fill white -stroke '#404040' -draw 'rectangle 1,1 9,10' -draw 'rectangle 6,4 14,13'
tb print -fill '#c0c0c0' -stroke '#404040' -draw 'rectangle 1,6 14,11' -fill white -draw 'rectangle 4,1 11,6' -draw 'rectangle 4,11 11,14'
tb find -fill none -stroke '#203060' -strokewidth 2 -draw 'circle 6,6 6,2' -draw 'line 9,9 14,14'
tb findnext -fill none -stroke '#203060' -strokewidth 2 -draw 'circle 5,6 5,3' -draw 'line 7,9 10,12' -fill '#203060' -stroke none -draw 'polygon 11,3 15,6 11,9'
tb top -fill '#206020' -draw 'polygon 8,1 14,8 2,8' -draw 'rectangle 6,8 10,14' -draw 'rectangle 1,0 15,1'
letter dimensions D '#802020'
letter variables V '#206080'
letter data d '#208040'
tb tail -fill '#206020' -draw 'polygon 8,13 14,6 2,6' -draw 'rectangle 6,0 10,6' -draw 'rectangle 1,13 15,14'
tb gotoline -fill '#404040' -draw 'rectangle 1,2 9,3' -draw 'rectangle 1,6 9,7' -draw 'rectangle 1,10 9,11' -fill '#c02020' -draw 'polygon 10,4 15,7 10,10'
letter about '?' '#2040a0'
convert -size 64x64 xc:none -fill '#1e5a8c' -draw 'roundrectangle 2,2 61,61 10,10' \
    -fill '#8fd0ff' -draw 'path "M 6,40 C 16,32 24,48 34,40 S 50,32 58,40 L 58,58 L 6,58 Z"' \
    -font DejaVu-Sans-Bold -pointsize 30 -fill white -gravity north -annotate +0+4 'B' icons/brinewick.png
# The same picture drawn at 256 pixels, scaled to the sizes of the desktop's icon theme.
convert -size 256x256 xc:none -fill '#1e5a8c' -draw 'roundrectangle 8,8 247,247 40,40' \
    -fill '#8fd0ff' -draw 'path "M 24,160 C 64,128 96,192 136,160 S 200,128 232,160 L 232,232 L 24,232 Z"' \
    -font DejaVu-Sans-Bold -pointsize 120 -fill white -gravity north -annotate +0+16 'B' icons/hicolor-256.png
for size in 16 32 48 128; do
    convert icons/hicolor-256.png -resize ${size}x${size} icons/hicolor-$size.png
done
