#!/usr/bin/env bash
# Times the Player engine against the ffmpeg command.
#
#   bench/engine/run_engine_bench.sh BUILD-FOLDER [RUNS]
#
# 1. A synthetic 1280 x 720, 30-second recording (15 fps, 22.05 kHz mono
#    sound) is exported to AVI RUNS times by the engine (default settings:
#    MPEG-4 "XVID" at quality 7500 = fixed quantiser 9, key frame every 100
#    frames, MP3 64 kbit/s mono 22.05 kHz) and RUNS times by ffmpeg with the
#    same encoders and parameters, alternating, so that each pair of runs
#    meets the same neighbours on a shared machine. Prints the ratio
#    engine/ffmpeg of every pair, then their median and range (min-max),
#    for wall and CPU time (target: median 0.85 or less). The same again
#    with H.264 chosen in the codec chooser ("H264" at quality 7500 = rate
#    factor 12.75, key frame every 250 frames, no B-frames, which AVI
#    exports never have; target 0.85), and both again
#    on a still recording of the same size and length, where only typed
#    text changes (vtr-make --still; target 0.5).
# 2. Frame exactness: the engine's export of the moving recording holds
#    every movie frame once (ffmpeg -f framemd5: 450 frames, 450 distinct),
#    and the still recording exported losslessly (FFV1) shows at the
#    movie's rate each frame of the movie (450 equal).
# 3. The engine's time per movie beyond encoding: 50 one-second movies
#    against one 50-second movie of the same content, both through the
#    engine, alternating; (T(50 x 1 s) - T(1 x 50 s)) / 50 for every pair,
#    then their median and range (target: median under 30 ms).
# RUNS (the number of pairs) is at least 5. The load average is printed
# before and after: other builds running at the same time move the figures
# by tens of per cent.
set -euo pipefail
build=$(cd "${1:?usage: run_engine_bench.sh BUILD-FOLDER [RUNS]}" && pwd)
runs=${2:-5}
if (( runs < 5 )); then echo "RUNS must be at least 5" >&2; exit 2; fi
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/engine-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Reads one number a line; prints "median min max".
summary() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%s %s %s\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[1], v[NR] }'
}
# Runs a command and prints "wall cpu" in seconds (cpu = user + system,
# children included): on a shared machine the CPU time shows the work done
# when the wall time mostly shows the neighbours.
timed() {
    local TIMEFORMAT='%R %U %S'
    local t
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
    echo "$t" | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

echo "Making the recordings..."
"$bin/vtr-make" synthetic "$work/movie.vtr" --size 1280x720 --rate 15 --seconds 30 --sound 22050
"$bin/vtr-make" synthetic "$work/still.vtr" --size 1280x720 --rate 15 --seconds 30 --sound 22050 --still
mkdir -p "$work/short" "$work/out"
"$bin/vtr-make" synthetic "$work/short/one.vtr" --size 1280x720 --rate 15 --seconds 1 --sound 22050
for i in $(seq 1 50); do cp "$work/short/one.vtr" "$work/short/movie$i.vtr"; done
rm "$work/short/one.vtr"
"$bin/vtr-make" synthetic "$work/long.vtr" --size 1280x720 --rate 15 --seconds 50 --sound 22050

# The AVI settings file of an export with H.264 chosen.
cat > "$work/h264.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Application Name="">
  <Program Name="">
    <Configuration>
      <Value Name="VideoCodecId" Type="Integer">
        <Contents>875967048</Contents>
      </Value>
      <Value Name="VideoCodecKeyFrameRate" Type="Integer">
        <Contents>250</Contents>
      </Value>
      <Value Name="VideoCodecQuality" Type="Integer">
        <Contents>7500</Contents>
      </Value>
    </Configuration>
  </Program>
</Application>
XML
xvid=(-c:v mpeg4 -vtag XVID -q:v 9 -g 100)
h264=(-c:v libx264 -vtag H264 -crf 12.75 -g 250 -bf 0)

# compare LABEL TARGET MOVIE SETTINGS-FILE|"" FFMPEG-VIDEO-OPTIONS...
compare() {
    local label=$1 target=$2 movie=$3 settings=$4
    shift 4
    local wall=() cpu=() run ew ec fw fc m lo hi
    local engine=("$bin/engine-driver" "$work/out")
    [[ -n "$settings" ]] && engine+=(--settings "$settings")
    for run in $(seq 1 "$runs"); do
        rm -f "$work/out/"*
        read -r ew ec < <(timed "${engine[@]}" "$movie")
        read -r fw fc < <(timed ffmpeg -nostdin -loglevel error -y -i "$movie" -map 0:v:0 -map 0:a:0 \
            "$@" -pix_fmt yuv420p -c:a libmp3lame -b:a 64k -ar 22050 -ac 1 "$work/out/ffmpeg.avi")
        wall+=("$(echo "$ew / $fw" | bc -l)"); cpu+=("$(echo "$ec / $fc" | bc -l)")
        printf '%s pair %d: engine %s s (cpu %s s), ffmpeg %s s (cpu %s s), ratio wall %.3f cpu %.3f\n' \
            "$label" "$run" "$ew" "$ec" "$fw" "$fc" "${wall[-1]}" "${cpu[-1]}"
    done
    read -r m lo hi < <(printf '%s\n' "${wall[@]}" | summary)
    printf '%s wall ratio engine/ffmpeg: median %.3f, range %.3f-%.3f over %d pairs (target <= %s)\n' \
        "$label" "$m" "$lo" "$hi" "$runs" "$target"
    read -r m lo hi < <(printf '%s\n' "${cpu[@]}" | summary)
    printf '%s cpu ratio engine/ffmpeg:  median %.3f, range %.3f-%.3f over %d pairs\n' "$label" "$m" "$lo" "$hi" "$runs"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
compare XVID 0.85 "$work/movie.vtr" "" "${xvid[@]}"
compare H.264 0.85 "$work/movie.vtr" "$work/h264.xml" "${h264[@]}"
compare "still XVID" 0.5 "$work/still.vtr" "" "${xvid[@]}"
compare "still H.264" 0.5 "$work/still.vtr" "$work/h264.xml" "${h264[@]}"

rm -f "$work/out/"*
"$bin/engine-driver" "$work/out" "$work/movie.vtr" >/dev/null
ffmpeg -v error -i "$work/out/movie.avi" -map 0:v -pix_fmt rgb24 -f framemd5 - | grep -v '^#' \
    | awk -F, '{ n++; seen[$NF] = 1 } END { d = 0; for (h in seen) d++; printf "frame exactness: 450 movie frames -> %d output frames, %d distinct\n", n, d }'
sed 's/875967048/827737670/' "$work/h264.xml" > "$work/ffv1.xml" # FOURCC "FFV1"
rm -f "$work/out/"*
"$bin/engine-driver" "$work/out" --settings "$work/ffv1.xml" "$work/still.vtr" >/dev/null
ffmpeg -v error -i "$work/still.vtr" -map 0:v -pix_fmt rgb24 -f framemd5 - | grep -v '^#' | awk -F, '{ print $NF }' >"$work/still.md5"
ffmpeg -v error -i "$work/out/still.avi" -map 0:v -vf fps=15 -pix_fmt rgb24 -f framemd5 - | grep -v '^#' | awk -F, '{ print $NF }' \
    | paste -d' ' "$work/still.md5" - \
    | awk '{ n++; same += ($1 == $2) } END { printf "still frame exactness (FFV1 export): 450 movie frames -> %d output frames, %d equal to the movie'"'"'s\n", n, same }'

wall_overhead=(); cpu_overhead=()
for run in $(seq 1 "$runs"); do
    rm -f "$work/out/"*
    read -r sw sc < <(timed "$bin/engine-driver" "$work/out" "$work/short/"*.vtr)
    read -r lw lc < <(timed "$bin/engine-driver" "$work/out" "$work/long.vtr")
    wall_overhead+=("$(echo "($sw - $lw) * 1000 / 50" | bc -l)"); cpu_overhead+=("$(echo "($sc - $lc) * 1000 / 50" | bc -l)")
    printf 'pair %d: 50 x 1 s %s s (cpu %s s), 1 x 50 s %s s (cpu %s s), per movie wall %.1f ms cpu %.1f ms\n' \
        "$run" "$sw" "$sc" "$lw" "$lc" "${wall_overhead[-1]}" "${cpu_overhead[-1]}"
done
read -r m lo hi < <(printf '%s\n' "${wall_overhead[@]}" | summary)
printf 'per-movie overhead, wall: median %.1f ms, range %.1f to %.1f ms over %d pairs (target < 30 ms)\n' "$m" "$lo" "$hi" "$runs"
read -r m lo hi < <(printf '%s\n' "${cpu_overhead[@]}" | summary)
printf 'per-movie overhead, cpu:  median %.1f ms, range %.1f to %.1f ms over %d pairs\n' "$m" "$lo" "$hi" "$runs"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
