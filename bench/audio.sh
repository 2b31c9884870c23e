#!/usr/bin/env bash
# Whole-process audio comparisons, each against a peer timed in the same run:
#   offline render of a 5-minute WAV at tempo 1.1 vs soundstretch -tempo=10 on the same file,
#   mp3 decoding vs ffmpeg -f null, the silence scan, the loudness measure and the beat grids
#   (beyond the scan they start from) of the same mp3 vs ffmpeg -f null, and the live engine
#   (CPU, callback time, underruns).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
data="$build/bench-data"
mkdir -p "$data"
export VANTREL_BENCH_DATA="$data"
out=$(mktemp -d /tmp/vantrel-bench.XXXXXX)
trap 'rm -rf "$out"' EXIT

wav="$data/five-minutes.wav"
mp3="$data/five-minutes.mp3"
[ -s "$wav" ] || sox -q -n -r 44100 -c 2 -b 16 "$wav" synth 300 sine 220:880 sine 330 remix 1,2 2,1 gain -8
[ -s "$mp3" ] || ffmpeg -nostdin -v error -y -i "$wav" -c:a libmp3lame -b:a 192k "$mp3"

# median seconds of the two commands, from hyperfine's CSV
compare() {
    hyperfine -N --style none --warmup 1 --runs "$1" --export-csv "$out/t.csv" "$2" "$3" >/dev/null
    awk -F, 'NR==2{a=$4} NR==3{b=$4} END{printf "%s %s\n", a, b}' "$out/t.csv"
}

read -r ours peer < <(compare 10 "$build/vantrel-render --tempo 1.1 --out $out/a.wav $wav" \
    "soundstretch $wav $out/b.wav -tempo=10")
awk -v o="$ours" -v p="$peer" 'BEGIN{
    printf "offline tempo 1.1, 5 min: vantrel-render %.3f s, soundstretch %.3f s\n", o, p;
    printf "offline tempo 1.1: throughput %.2fx soundstretch (target >= 0.9), %.0fx real time (target >= 150)\n", p/o, 300/o }'

read -r ours peer < <(compare 10 "$build/bench/bench_audio --decode $mp3" \
    "ffmpeg -nostdin -v error -i $mp3 -f null -")
awk -v o="$ours" -v p="$peer" 'BEGIN{
    printf "mp3 decode, 5 min: engine %.3f s, ffmpeg %.3f s: %.2fx ffmpeg (target >= 0.8)\n", o, p, p/o }'

# No refinement may decode the whole song: each must cost well under a full decode. The beats
# are found on a drum loop, so that the tracker does its full work.
loop="$data/five-minute-loop.mp3"
if [ ! -s "$loop" ]; then
    sox -q -n -r 44100 -c 2 "$out/beat.wav" synth 0.48 sine 150-50 fade q 0 0.48 0.4 gain -3
    sox -V1 -q "$out/beat.wav" -t wav - repeat 624 |
        ffmpeg -nostdin -v error -y -i - -c:a libmp3lame -b:a 192k "$loop"
fi
for part in scan:25:$mp3 loudness:25:$mp3; do
    IFS=: read -r name target file <<<"$part"
    read -r ours peer < <(compare 10 "$build/bench/profile_song --$name $file" \
        "ffmpeg -nostdin -v error -i $file -f null -")
    awk -v o="$ours" -v p="$peer" -v part="$name" -v t="$target" 'BEGIN{
        printf "mp3 %s, 5 min: %.3f s, ffmpeg decode %.3f s: %.1f%% of it (target < %d%%)\n", part, o, p, 100*o/p, t }'
done

# The beat grids are found on the audible stretch that the end scan gives, a scan every
# refinement makes anyway: what matching beats adds is the difference of the two.
hyperfine -N --style none --warmup 1 --runs 10 --export-csv "$out/t.csv" \
    "$build/bench/profile_song --scan $loop" "$build/bench/profile_song --beats $loop" \
    "ffmpeg -nostdin -v error -i $loop -f null -" >/dev/null
awk -F, 'NR==2{s=$4} NR==3{b=$4} NR==4{p=$4} END{
    printf "mp3 beats, 5 min: %.3f s with the end scan, %.3f s beyond it, ffmpeg decode %.3f s: %.1f%% of it (target < 30%%)\n", b, b-s, p, 100*(b-s)/p }' "$out/t.csv"
secs=${VANTREL_BENCH_LIVE_SECONDS:-30}
"$here/../scripts/with-test-audio" "$build/bench/bench_audio" --live "$secs" 2>/dev/null | grep '^live'
