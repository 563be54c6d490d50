#!/usr/bin/env bash
# Draws the README's screenshots under a private X server with openbox: the manager with a set selected
# and the gallery with the large view, at a scale of 1 and (the -1.5x files) 1.5. Needs a built tree
# (scripts/test or scripts/run) and xvfb, openbox, xdotool, x11-utils and imagemagick.
set -Eeuo pipefail
failed() { echo "screenshots.sh: line $2: '$3' failed (status $1)" >&2; }
trap 'failed $? $LINENO "$BASH_COMMAND"' ERR

repo=$(cd "$(dirname "$0")/.." && pwd)
app=$repo/build/default/src/ostrel-portrait-manager
samples=$repo/build/default/samples
out=$repo/docs
# The manager shows its directory in its lists and labels: a fixed path, short enough not to be cut
# short in the directory list, keeps the pictures the same from run to run.
base=/tmp/ostrel-shots
work=$base/Portraits
shots=$base/shots # moved into docs only once every picture is drawn

die() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

for tool in Xvfb openbox xdotool xprop xwininfo import convert compare identify; do
    command -v "$tool" >/dev/null ||
        die "$tool is missing: apt-get install xvfb openbox xdotool x11-utils imagemagick"
done
[[ -x $app && -d $samples ]] || die "no built program in $repo/build/default: run scripts/run or scripts/test first"

# Another run would share the fixed directory; one left by a run that was killed is stale.
if [[ -e $base ]]; then
    [[ -f $base/pid ]] || die "$base exists and was not made by this script: remove it first"
    other=$(cat "$base/pid")
    if [[ -n $other ]] && grep -qs screenshots.sh "/proc/$other/cmdline"; then
        die "another run (pid $other) is drawing in $base"
    fi
    rm -rf "$base"
fi
mkdir "$base" || die "cannot make $base"
echo $$ >"$base/pid"
mkdir "$shots"

pids=() # what we started: the program, openbox and Xvfb
stopAll() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    pids=()
}
trap 'stopAll; rm -rf "$base"' EXIT
trap 'exit 130' INT TERM

# The same frames and fonts whatever this user's settings.
cat >"$base/openbox.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>yes</center></placement>
  <theme><name>Clearlooks</name><titleLayout>NLIMC</titleLayout><keepBorder>yes</keepBorder>
    <animateIconify>no</animateIconify></theme>
  <desktops><number>1</number><popupTime>0</popupTime></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
</openbox_config>
EOF

# Starts Xvfb with the screen SIZE on the first display that neither a lock file nor a socket claims.
# From :100, above the numbers the desktop tests take. A server started meanwhile by someone else
# makes ours fail; then the next number is tried.
startServer() {
    local size=$1 n i
    for ((n = 100; n < 300; n++)); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        : >"$base/display"
        # -displayfd: the server writes its number there once it takes connections.
        Xvfb ":$n" -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$base/display" >"$base/xvfb.log" 2>&1 &
        local server=$!
        for ((i = 0; i < 100; i++)); do
            [[ -s $base/display ]] && break
            kill -0 "$server" 2>/dev/null || break
            sleep 0.1
        done
        if [[ -s $base/display ]]; then
            pids+=("$server")
            server_pid=$server
            export DISPLAY=:$n
            # openbox needs a server that answers clients, not one that has only said it is ready.
            for ((i = 0; i < 50; i++)); do
                xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 && kill -0 "$server" 2>/dev/null && return
                sleep 0.1
            done
            die "Xvfb on :$n said it was ready but does not answer: $(tail -n 3 "$base/xvfb.log")"
        fi
        if kill -0 "$server" 2>/dev/null; then
            kill "$server"
            die "Xvfb on :$n did not start within 10 s: $(tail -n 3 "$base/xvfb.log")"
        fi
        wait "$server" 2>/dev/null || true
    done
    die "no free X display between :100 and :299"
}

# Once in fifty runs openbox could not open a display that had just said it was ready: it is tried
# again, and a last failure says what became of the server.
startWindowManager() {
    local attempt openbox i check
    for ((attempt = 0; attempt < 3; attempt++)); do
        openbox --sm-disable --config-file "$base/openbox.xml" >"$base/openbox.log" 2>&1 &
        openbox=$!
        pids+=("$openbox")
        for ((i = 0; i < 100; i++)); do
            check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true)
            [[ $check == *'window id'* ]] && return
            kill -0 "$openbox" 2>/dev/null || break
            sleep 0.1
        done
        kill "$openbox" 2>/dev/null || true
        sleep 0.5
    done
    local server="Xvfb is running" socket="its socket is there"
    kill -0 "$server_pid" 2>/dev/null || server="Xvfb ended: $(tail -n 3 "$base/xvfb.log")"
    [[ -S /tmp/.X11-unix/X${DISPLAY#:} ]] || socket="its socket is gone"
    die "openbox did not start on $DISPLAY: $(tail -n 3 "$base/openbox.log"); $server, $socket"
}

# Sets the variable NAME to the id of the first visible window whose title matches REGEX, or to "".
findWindow() {
    local ids
    ids=$(xdotool search --onlyvisible --name "$2" 2>/dev/null || true)
    printf -v "$1" '%s' "${ids%%$'\n'*}"
}

# Sets NAME to the id of the window whose title matches REGEX, waiting up to 10 seconds for it.
waitForWindow() {
    local i
    for ((i = 0; i < 40; i++)); do
        findWindow "$1" "$2"
        [[ -n ${!1} ]] && return
        sleep 0.25
    done
    die "no window titled '$2' showed within 10 s"
}

waitUntilGone() {
    local i id
    for ((i = 0; i < 40; i++)); do
        findWindow id "$1"
        [[ -z $id ]] && return
        sleep 0.25
    done
    die "the window titled '$1' did not close within 10 s"
}

# Sets X, Y, WIDTH, HEIGHT to the window's client area on the screen.
client() {
    local info
    info=$(xwininfo -id "$1") || die "window $1 is gone"
    X=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
}

# Moves the pointer to a point of the window given in unscaled pixels, scaled as the program scales.
pointAt() { # WINDOW-ID DX DY
    client "$1"
    xdotool mousemove "$((X + $2 * scale10 / 10))" "$((Y + $3 * scale10 / 10))"
}

# Waits until the screen stops changing, then saves it: a window may still be painting.
screen() {
    local i
    import -window root "$base/before.png"
    for ((i = 0; i < 20; i++)); do
        sleep 0.25
        import -window root "$base/screen.png"
        compare -metric AE "$base/before.png" "$base/screen.png" null: 2>/dev/null && return
        mv "$base/screen.png" "$base/before.png"
    done
    echo "screenshots.sh: the screen kept changing; keeping the last picture" >&2
    mv "$base/before.png" "$base/screen.png"
}

# Saves into FILE the bounding box of the windows with their frames.
crop() { # FILE WINDOW-ID...
    local file=$1 id left right top bottom
    shift
    local x0=100000 y0=100000 x1=0 y1=0
    for id in "$@"; do
        client "$id"
        read -r left right top bottom < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,) ||
            die "openbox gave window $id no frame"
        ((X - left < x0)) && x0=$((X - left))
        ((Y - top < y0)) && y0=$((Y - top))
        ((X + WIDTH + right > x1)) && x1=$((X + WIDTH + right))
        ((Y + HEIGHT + bottom > y1)) && y1=$((Y + HEIGHT + bottom))
    done
    screen
    # No date or other chunk that would change the file from run to run.
    convert "$base/screen.png" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage -strip "$file"
    echo "drew ${file##*/} ($((x1 - x0))x$((y1 - y0)))"
}

shoot() { # SCALE SCREEN-SIZE NAME-SUFFIX
    local scale=$1 size=$2 suffix=$3
    scale10=$(awk "BEGIN { print int($scale * 10 + 0.5) }")
    rm -rf "$work"
    mkdir "$work"
    cp "$samples"/* "$work"
    startServer "$size"
    startWindowManager
    echo "scale $scale on display $DISPLAY"
    (cd "$work" && LC_ALL=C.UTF-8 QT_SCALE_FACTOR=$scale exec "$app" >"$base/app.log" 2>&1) &
    local program=$!
    pids+=("$program")

    # Two starts in ten open the About window first and show the manager once it is closed.
    local manager="" about="" i
    for ((i = 0; i < 40; i++)); do
        findWindow manager '^Ostrel Portrait Manager$'
        findWindow about '^About Ostrel Portrait Manager$'
        [[ -n $manager || -n $about ]] && break
        kill -0 "$program" 2>/dev/null || die "the program ended at start: $(tail -n 3 "$base/app.log")"
        sleep 0.25
    done
    if [[ -n $about ]]; then
        echo "closing the About window that opened at start"
        xdotool windowactivate --sync "$about" key Escape
        waitUntilGone '^About Ostrel Portrait Manager$'
    fi
    waitForWindow manager '^Ostrel Portrait Manager$'
    xdotool windowactivate --sync "$manager"

    # The first source entry, then MM02 by typing its name (stepping down would pass the set without
    # a small picture, whose message box would stay up).
    pointAt "$manager" 20 55
    xdotool click 1
    xdotool type --delay 80 MM02
    crop "$shots/manager$suffix.png" "$manager"

    pointAt "$manager" 340 40
    xdotool click 1
    local browser large
    waitForWindow browser 'Browser$'
    pointAt "$browser" 180 120
    xdotool click --repeat 2 --delay 80 1
    waitForWindow large '^Large View$'
    # The large view follows the pointer: it shows the set under it.
    pointAt "$browser" 60 300
    sleep 0.3
    pointAt "$browser" 65 305
    crop "$shots/gallery$suffix.png" "$browser" "$large"

    stopAll
}

shoot 1 1024x768 ""
shoot 1.5 1600x1200 "-1.5x"
mv "$shots"/*.png "$out"
echo "saved the pictures in $out"

# Software centres lay the screenshots out by the sizes the metainfo gives; the test suite checks them.
metainfo=$repo/packaging/org.example.OstrelPortraitManager.metainfo.xml
for name in manager gallery; do
    size=$(identify -format '%w %h' "$out/$name.png")
    grep -q "width=\"${size% *}\" height=\"${size#* }\">[^<]*/$name.png<" "$metainfo" ||
        echo "screenshots.sh: $name.png is now ${size/ /x}: give that size in $metainfo" >&2
done
