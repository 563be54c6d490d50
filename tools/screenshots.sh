#!/usr/bin/env bash
# Draws the README's screenshots under a private X server: the manager with a set selected and the
# gallery with the large view, at a scale of 1 and (the -2x files) 2. Needs a built tree
# (scripts/test or scripts/run) and xvfb, xdotool and imagemagick.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
app=$repo/build/default/src/ostrel-portrait-manager
out=$repo/docs
for tool in Xvfb xdotool import convert; do
    command -v $tool >/dev/null || { echo "missing $tool: apt-get install xvfb xdotool imagemagick" >&2; exit 2; }
done
scratch=$(mktemp -d)
work=$scratch/portraits
mkdir "$work"
cp "$repo"/build/default/samples/* "$work"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT

window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
waitFor() { # TITLE-REGEX: the window's id once it shows, within 10 seconds
    local id="" i
    for ((i = 0; i < 40; i++)); do
        id=$(window "$1")
        [[ -n $id ]] && break
        sleep 0.25
    done
    [[ -n $id ]] || { echo "no window matching '$1' showed" >&2; exit 1; }
    echo "$id"
}
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
crop() { # crop WINDOW-ID... into FILE: the bounding box of the windows
    local file=$1; shift
    local x0=100000 y0=100000 x1=0 y1=0 id
    for id in "$@"; do
        geometry "$id"
        ((X < x0)) && x0=$X; ((Y < y0)) && y0=$Y
        ((X + WIDTH > x1)) && x1=$((X + WIDTH)); ((Y + HEIGHT > y1)) && y1=$((Y + HEIGHT))
    done
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage "$file"
    echo "saved $file"
}

shoot() { # SCALE SCREEN-SIZE NAME-SUFFIX GALLERY(yes/no)
    local scale=$1 size=$2 suffix=$3 gallery=$4
    export DISPLAY=:$((300 + RANDOM % 300))
    Xvfb "$DISPLAY" -screen 0 "${size}x24" >/dev/null 2>&1 &
    sleep 1
    local manager="" tries
    for tries in 1 2 3 4 5 6; do # the About window opens by chance at start: start again
        (cd "$work" && QT_SCALE_FACTOR=$scale exec "$app" >/dev/null 2>&1) &
        sleep 2
        manager=$(window '^Ostrel Portrait Manager$')
        [[ -n $manager ]] && break
        kill %% 2>/dev/null || true
    done
    [[ -n $manager ]] || { echo "the manager window did not show" >&2; exit 1; }
    geometry "$manager"
    # The first source entry, then MM02 by typing its name (stepping down would pass the set without
    # a small picture, whose message box would stay up).
    xdotool mousemove $((X + 20 * scale)) $((Y + 55 * scale)) click 1
    xdotool type --delay 80 MM02
    sleep 0.5
    crop "$out/manager$suffix.png" "$manager"
    if [[ $gallery == yes ]]; then
        xdotool mousemove $((X + 340 * scale)) $((Y + 40 * scale)) click 1
        sleep 1
        local browser
        browser=$(waitFor 'Browser')
        geometry "$browser"
        xdotool mousemove $((X + 180 * scale)) $((Y + 120 * scale)) click --repeat 2 --delay 80 1
        sleep 0.8
        xdotool mousemove $((X + 60 * scale)) $((Y + 300 * scale)) sleep 0.3 mousemove $((X + 65 * scale)) $((Y + 305 * scale))
        sleep 0.5
        crop "$out/gallery$suffix.png" "$browser" "$(waitFor '^Large View$')"
    fi
    kill $(jobs -p) 2>/dev/null || true
    wait 2>/dev/null || true
}

shoot 1 1024x700 "" yes
shoot 2 1600x1100 "-2x" yes
