#!/usr/bin/env bash
# Start-up time: from launching the program to its main window being mapped, with a 5,000-entry
# default playlist, against the same program with an empty playlist in the same run (the peer).
# Target: the window shows within 300 ms with the long playlist.
# Usage: bench/startup.sh BUILD [RUNS]. Runs itself inside the test sound server and a virtual
# display when they are missing, so that no mixer message holds the window back.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-7}
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${VANTREL_TEST_SINK:-}" ]; then
    exec "$here/../scripts/with-test-audio" "$0" "$build" "$runs"
fi
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$runs"
fi

work=$(mktemp -d /tmp/vantrel-startup.XXXXXX)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

# One program folder per playlist; the executable's folder is the program folder.
make_folder() {  # NAME ENTRIES
    local dir="$work/$1"
    mkdir -p "$dir" "$work/home-$1"
    cp "$build/vantrel" "$dir/"
    for part in samples util help; do ln -s "$build/$part" "$dir/$part"; done
    awk -v n="$2" 'BEGIN { for (i = 1; i <= n; i++)
        printf "Song number %05d (MP3 file)\r\n/music/Artist %03d/Song number %05d.mp3\r\n", i, i % 200, i }' \
        > "$dir/default.kvl"
}
make_folder long 5000
make_folder empty 0

# The probe watches the X server for the window's mapping, so polling adds nothing.
probe="$work/startup_probe"
cc -O2 -o "$probe" "$here/startup_probe.c" -lxcb

measure() {  # NAME -> milliseconds from exec to the main window being mapped
    HOME="$work/home-$1" XDG_DATA_HOME="$work/home-$1" "$probe" Vantrel "$work/$1/vantrel" \
        2>/dev/null
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

measure empty >/dev/null  # warm the caches once
long=(); empty=()
for _ in $(seq "$runs"); do
    empty+=("$(measure empty)")
    long+=("$(measure long)")
done
m_long=$(printf '%s\n' "${long[@]}" | median)
m_empty=$(printf '%s\n' "${empty[@]}" | median)
echo "start-up to visible window, median of $runs runs:"
echo "  5,000-entry playlist: ${m_long} ms  (runs: ${long[*]})"
echo "  empty playlist:       ${m_empty} ms  (runs: ${empty[*]})"
awk -v a="$m_long" -v b="$m_empty" 'BEGIN { printf "  ratio long/empty:     %.2f\n", (b > 0 ? a / b : 0) }'
if [ "$m_long" -le 300 ]; then echo "  target <= 300 ms: met"; else echo "  target <= 300 ms: MISSED"; fi
