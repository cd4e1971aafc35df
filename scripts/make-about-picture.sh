#!/usr/bin/env bash
# Draws the picture of the about window, src/presentation/about.jpg: a clear morning sea with
# a small island, a pale sun, soft clouds and gentle waves ("澄屿": clear water, an islet).
# Everything is made here from gradients, drawing primitives and seeded noise, so running the
# script again gives the same picture. The program writes its name and the line below it over
# the top-left corner, so that area is kept light.
#
# Usage: scripts/make-about-picture.sh [output.jpg]
# Needs ImageMagick (convert, or magick for version 7) and awk.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="${1:-$here/../src/presentation/about.jpg}"

if command -v magick >/dev/null 2>&1; then
    IM=(magick)
elif command -v convert >/dev/null 2>&1; then
    IM=(convert)
else
    echo "make-about-picture: ImageMagick (convert or magick) is needed" >&2
    exit 1
fi

W=600
H=450
HORIZON=262          # sea level, in pixels from the top
SUN_X=505
SUN_Y=168

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A small linear congruential generator in awk, so the "random" strokes are the same with any
# awk implementation (mawk and gawk have different rand()).
lcg_awk='
function rnd() { seed = (seed * 1103515245 + 12345) % 2147483648; return seed / 2147483648 }
'

# 1. Sky: pale at the top (behind the program's text), a clear light aqua towards the horizon.
"${IM[@]}" -size ${W}x${HORIZON} gradient:'#f7fbfd-#cbe8f0' "$work/sky.png"

# Warm morning glow around the sun.
"${IM[@]}" -size ${W}x${HORIZON} xc:none \
    -fill 'rgba(255,238,200,0.9)' -draw "circle $SUN_X,$SUN_Y $((SUN_X + 130)),$SUN_Y" \
    -blur 0x55 "$work/glow.png"

# Sun disc with a soft halo.
"${IM[@]}" -size ${W}x${HORIZON} xc:none \
    -fill 'rgba(255,236,186,0.75)' -draw "circle $SUN_X,$SUN_Y $((SUN_X + 44)),$SUN_Y" -blur 0x18 \
    -fill 'rgba(255,248,222,1)' -draw "circle $SUN_X,$SUN_Y $((SUN_X + 19)),$SUN_Y" -blur 0x1.5 \
    "$work/sun.png"

# A few sea birds far off, right of the text.
"${IM[@]}" -size ${W}x${HORIZON} xc:none -fill none -stroke 'rgba(70,96,110,0.75)' -strokewidth 1.3 \
    -draw "path 'M 524,98 Q 529,93 534,98 Q 539,93 544,98'" \
    -draw "path 'M 552,116 Q 556,112 560,116 Q 564,112 568,116'" \
    -draw "path 'M 505,126 Q 508,123 511,126 Q 514,123 517,126'" \
    "$work/birds.png"

# Clouds: clusters of soft white ellipses, lower in the sky and to the right.
awk -v seed=20070131 "$lcg_awk"'
BEGIN {
    n = split("120,205,70 300,150,55 430,222,80 560,120,45 40,238,60", c, " ")
    for (i = 1; i <= n; i++) {
        split(c[i], p, ",")
        for (k = 0; k < 7; k++) {
            x = p[1] + (rnd() - 0.5) * p[3] * 1.6
            y = p[2] + (rnd() - 0.5) * 12
            rx = p[3] * (0.35 + rnd() * 0.35)
            ry = rx * (0.22 + rnd() * 0.12)
            printf "ellipse %d,%d %d,%d 0,360\n", x, y, rx, ry
        }
    }
}' >"$work/clouds.mvg"
"${IM[@]}" -size ${W}x${HORIZON} xc:none -fill 'rgba(255,255,255,0.55)' \
    -draw "$(cat "$work/clouds.mvg")" -blur 0x9 "$work/clouds.png"

# Far islands, faint and bluish on the horizon.
"${IM[@]}" -size ${W}x${HORIZON} xc:none -fill 'rgba(120,165,182,0.55)' \
    -draw "path 'M 0,$HORIZON L 0,250 C 30,244 60,241 95,246 C 120,249 140,252 160,$HORIZON Z'" \
    -draw "path 'M 520,$HORIZON C 545,252 570,247 600,249 L 600,$HORIZON Z'" \
    -blur 0x1 "$work/far.png"

# The island: a rounded hill with a lower shoulder, lit from the sunny right side, its ridge
# broken by tree crowns; a small rocky islet beside it.
island_path="M 236,$HORIZON
    C 256,251 272,238 292,228
    C 312,218 330,203 352,197
    C 372,192 392,195 408,206
    C 424,217 436,229 452,237
    C 468,244 486,251 512,$HORIZON Z"
awk -v seed=88 "$lcg_awk"'
BEGIN {
    # the ridge line; crowns are set every few pixels along it
    n = split("262,244 276,236 290,229 304,222 318,214 330,207 341,202 352,198 363,196 374,195 385,196 396,199 406,205 415,211 424,218 433,225 443,232 452,237", t, " ")
    for (i = 1; i < n; i++) {
        split(t[i], a, ","); split(t[i + 1], b, ",")
        for (f = 0; f < 1; f += 0.34) {
            x = a[1] + (b[1] - a[1]) * f + (rnd() - 0.5) * 3
            y = a[2] + (b[2] - a[2]) * f
            r = 2.5 + rnd() * 3.5
            y = y + 1.5 - r * (0.3 + rnd() * 0.5)
            printf "circle %.1f,%.1f %.1f,%.1f\n", x, y, x, y + r
        }
    }
}' >"$work/trees.mvg"
"${IM[@]}" -size ${W}x${HORIZON} xc:none -fill white -draw "path '$island_path'" \
    -draw "$(cat "$work/trees.mvg")" \
    -draw "path 'M 176,$HORIZON C 186,254 196,249 208,248 C 220,247 228,253 236,$HORIZON Z'" \
    -blur 0x0.6 "$work/island_mask.png"
"${IM[@]}" -size ${HORIZON}x${W} gradient:'#6aa58a-#2a5f56' -rotate 90 \
    \( -size ${W}x${HORIZON} gradient:'#ffffff-#c9d9d2' \) -compose Multiply -composite \
    \( -size ${W}x${HORIZON} xc:gray50 -seed 1979 +noise Gaussian -blur 0x1.5 -colorspace Gray -level 30%,70% \) \
    -compose SoftLight -composite "$work/island_fill.png"
"${IM[@]}" "$work/island_fill.png" "$work/island_mask.png" -alpha off -compose CopyOpacity -composite \
    \( -size ${W}x${HORIZON} xc:none -fill 'rgba(240,248,236,0.9)' \
       -draw "path 'M 234,$HORIZON C 300,258 450,257 514,$HORIZON Z'" \
       -draw "path 'M 174,$HORIZON C 190,259 220,259 238,$HORIZON Z'" -blur 0x0.5 \) \
    -compose Over -composite "$work/island.png"

"${IM[@]}" "$work/sky.png" \
    "$work/glow.png" -compose Screen -composite \
    "$work/clouds.png" -compose Over -composite \
    "$work/sun.png" -compose Over -composite \
    "$work/birds.png" -compose Over -composite \
    "$work/far.png" -compose Over -composite \
    "$work/island.png" -compose Over -composite \
    "$work/upper.png"
# The upper picture without birds and clouds, for the reflection.
"${IM[@]}" "$work/sky.png" "$work/glow.png" -compose Screen -composite \
    "$work/sun.png" -compose Over -composite "$work/far.png" -compose Over -composite \
    "$work/island.png" -compose Over -composite "$work/upper_plain.png"

# 2. Sea: light turquoise at the horizon, deepening towards the viewer, with a faint texture
# of horizontal ripples.
SEA_H=$((H - HORIZON))
"${IM[@]}" -size ${W}x${SEA_H} gradient:'#b4e2df-#2b7a94' \
    \( -size ${W}x${SEA_H} xc:gray50 -seed 4711 +noise Gaussian -motion-blur 0x12+0 -blur 0x0.8 \
       -colorspace Gray -level 40%,60% \) \
    -compose SoftLight -composite "$work/sea.png"

# Reflection of the sky glow, sun and island: flipped, pulled sideways by a ripple map,
# softened and laid faintly on the water.
"${IM[@]}" -size ${W}x${SEA_H} xc:gray50 -seed 2718 +noise Gaussian -motion-blur 0x20+0 \
    -colorspace Gray -level 42%,58% "$work/ripple.png"
"${IM[@]}" "$work/upper_plain.png" -flip -crop ${W}x${SEA_H}+0+0 +repage \
    "$work/ripple.png" -compose Displace -set option:compose:args 8x0 -composite \
    -blur 0x1.5 -motion-blur 0x5+90 \
    -alpha set -channel A -evaluate set 30% +channel "$work/reflect.png"

# Waves: short light strokes, small and dense near the horizon, longer further down, with a
# glitter path under the sun.
awk -v seed=31415 -v w=$W -v h=$SEA_H -v sx=$SUN_X "$lcg_awk"'
BEGIN {
    rows = 34
    for (j = 1; j <= rows; j++) {
        d = (j / rows) ^ 1.7            # 0 at the horizon, 1 at the bottom edge
        y = 3 + d * (h - 8)
        per = int(5 + 5 * rnd() + (1 - d) * 6)
        for (i = 0; i < per; i++) {
            len = 10 + d * 70 * (0.4 + rnd())
            x = rnd() * (w + 60) - 30
            yy = y + (rnd() - 0.5) * (2 + d * 8)
            a = 0.16 + 0.22 * d + 0.15 * rnd()
            sw = 0.5 + d * 1.5
            printf "stroke rgba(238,250,250,%.2f) stroke-width %.1f path \x27M %d,%d Q %d,%d %d,%d\x27\n", \
                a, sw, x, yy, x + len / 2, yy - 1 - d * 3, x + len, yy
        }
    }
    for (i = 0; i < 110; i++) {
        t = rnd(); y = int(2 + t * t * (h * 0.85))
        spread = 10 + y * 0.4
        x = sx + (rnd() - 0.5) * 2 * spread
        len = 3 + rnd() * (5 + y * 0.15)
        printf "stroke rgba(255,249,226,%.2f) stroke-width %.1f line %d,%d %d,%d\n", \
            0.45 + 0.5 * rnd(), 0.8 + y * 0.008, x, y, x + len, y
    }
}' >"$work/waves.mvg"
"${IM[@]}" -size ${W}x${SEA_H} xc:none -fill none -draw "$(cat "$work/waves.mvg")" -blur 0x0.6 "$work/waves.png"

"${IM[@]}" "$work/sea.png" \
    "$work/reflect.png" -compose Over -composite \
    "$work/waves.png" -compose Over -composite \
    "$work/lower.png"

# 3. Together; a soft light veil over the top-left corner keeps the program's text readable.
"${IM[@]}" "$work/upper.png" "$work/lower.png" -append \
    \( -size ${W}x${H} xc:none -fill 'rgba(246,252,252,0.45)' \
       -draw "rectangle 0,$((HORIZON - 3)) $W,$((HORIZON + 3))" -blur 0x3 \) \
    -compose Over -composite \
    \( -size ${W}x${H} xc:none -fill 'rgba(255,255,255,0.45)' \
       -draw "roundrectangle -40,-40 560,124 60,60" -blur 0x28 \) \
    -compose Over -composite \
    -strip -sampling-factor 4:2:0 -interlace none -quality 85 "$out"

echo "make-about-picture: wrote $out ($(stat -c %s "$out") bytes)"
