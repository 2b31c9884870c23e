#!/usr/bin/env bash
# The mix on air, against the same mix without it, in one run on the test sink:
#   the CPU that streaming 128 kbps mp3 to a local Icecast server adds over a 60 s mix (target
#   at most 3 % of one core), and the program's memory while that server stalls (SIGSTOP) for
#   60 s (target: flat, under 2 MB of growth from its 10th second to its 60th).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
secs=${VANTREL_BENCH_ONAIR_SECONDS:-60}
work=$(mktemp -d /tmp/vantrel-onair.XXXXXX)
chmod 777 "$work"
icecast_pid=""
cleanup() {
    [ -n "$icecast_pid" ] && kill -CONT "$icecast_pid" 2>/dev/null && kill "$icecast_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
owner=""
[ "$(id -u)" -eq 0 ] && owner="<changeowner><user>nobody</user><group>nogroup</group></changeowner>"
cat > "$work/icecast.xml" <<XML
<icecast><limits><sources>2</sources></limits>
<authentication><source-password>bench-pw</source-password><admin-password>bench-admin</admin-password></authentication>
<hostname>127.0.0.1</hostname><listen-socket><port>$port</port><bind-address>127.0.0.1</bind-address></listen-socket>
<paths><basedir>/usr/share/icecast2</basedir><logdir>$work</logdir><webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>
<logging><errorlog>error.log</errorlog><accesslog>access.log</accesslog></logging>
<security><chroot>0</chroot>$owner</security></icecast>
XML
icecast2 -c "$work/icecast.xml" >/dev/null 2>&1 &
icecast_pid=$!

# A program folder of its own with four 40 s songs, so the mix fades three times a minute.
mkdir -p "$work/program"
cp "$build/vantrel" "$work/program/"
for part in samples util help; do ln -s "$build/$part" "$work/program/$part"; done
: > "$work/list"
for i in 1 2 3 4; do
    f="$work/song$i.mp3"
    ffmpeg -nostdin -v error -y -f lavfi -i "sine=frequency=$((200 + 110 * i)):duration=40" \
        -ac 2 -ar 44100 -metadata artist="Bench" -metadata title="Song $i" "$f"
    printf 'Song %s\r\n%s\r\n' "$i" "$f" >> "$work/list"
done

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The on-air thread's own ticks (0 when it does not run): what the stream itself costs.
onair_ticks() {
    local t
    for t in /proc/"$1"/task/*; do
        [ "$(cat "$t/comm" 2>/dev/null)" = vantrel-onair ] && { cpu_ticks "$1/task/${t##*/}"; return; }
    done
    echo 0
}
rss_kb() { awk '/^VmRSS/{print $2}' "/proc/$1/status"; }

# Runs the program for the measured window; prints its CPU seconds over the window. With
# "stall", then freezes the server and prints the memory 10 s and $secs s into the stall.
measure() {
    cp "$work/list" "$work/program/default.kvl"
    QT_QPA_PLATFORM=offscreen HOME="$work" VANTREL_STREAM_PASSWORD=bench-pw \
        "$work/program/vantrel" --play "$@" >/dev/null 2>&1 &
    local pid=$! hz
    hz=$(getconf CLK_TCK)
    sleep 5
    local start end thread_start thread_end
    start=$(cpu_ticks "$pid")
    thread_start=$(onair_ticks "$pid")
    sleep "$secs"
    end=$(cpu_ticks "$pid")
    thread_end=$(onair_ticks "$pid")
    echo "$(( end - start )) $hz $(( thread_end - thread_start ))"
    if [ "${stall:-}" = 1 ]; then
        kill -STOP "$icecast_pid"
        sleep 10
        local before after
        before=$(rss_kb "$pid")
        sleep $(( secs - 10 ))
        after=$(rss_kb "$pid")
        kill -CONT "$icecast_pid"
        echo "$before $after"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

run() {
    read -r plain hz _ < <(measure)
    { read -r streamed hz thread; read -r before after; } < <(stall=1 measure \
        --stream "icecast://source@127.0.0.1:$port/bench" --stream-format mp3 --stream-bitrate 128)
    awk -v p="$plain" -v s="$streamed" -v hz="$hz" -v t="$secs" -v b="$before" -v a="$after" -v th="$thread" 'BEGIN{
        printf "on air, %d s mix: %.2f s CPU without the stream, %.2f s with 128 kbps mp3: +%.2f%% of a core (target <= 3%%)\n", t, p/hz, s/hz, 100*(s-p)/hz/t;
        printf "on air, the stream'"'"'s own thread (encoding and sending): %.2f s CPU, %.2f%% of a core\n", th/hz, 100*th/hz/t;
        printf "on air, server stalled %d s: memory %.1f MB at 10 s, %.1f MB at %d s: +%.2f MB (target < 2 MB)\n", t, b/1024, a/1024, t, (a-b)/1024 }'
}
export -f measure cpu_ticks onair_ticks rss_kb
export work secs icecast_pid port
"$here/../scripts/with-test-audio" bash -c "$(declare -f run); run" 2>/dev/null | grep '^on air'
