#!/usr/bin/env bash
# Times the Player engine against the ffmpeg command.
#
#   bench/engine/run_engine_bench.sh BUILD-FOLDER [RUNS]
#
# 1. A synthetic 1280 x 720, 30-second recording (15 fps, 22.05 kHz mono
#    sound) is exported to AVI RUNS times by the engine (default settings:
#    MPEG-4 "XVID" at quality 7500 = fixed quantiser 9, key frame every 100
#    frames, MP3 64 kbit/s mono 22.05 kHz) and RUNS times by ffmpeg with the
#    same encoders and parameters, alternating. Prints the median wall time
#    of each and their ratio engine/ffmpeg (target: 1.05 or less).
#    The same again with H.264 chosen in the codec chooser ("H264" at
#    quality 7500 = rate factor 12.75, key frame every 250 frames).
# 2. The engine's time per movie beyond encoding: 50 one-second movies
#    against one 50-second movie of the same content, both through the
#    engine; (T(50 x 1 s) - T(1 x 50 s)) / 50 (target: under 30 ms).
set -euo pipefail
build=$(cd "${1:?usage: run_engine_bench.sh BUILD-FOLDER [RUNS]}" && pwd)
runs=${2:-5}
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/engine-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
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
mkdir -p "$work/short" "$work/out"
"$bin/vtr-make" synthetic "$work/short/one.vtr" --size 1280x720 --rate 15 --seconds 1 --sound 22050
for i in $(seq 1 50); do cp "$work/short/one.vtr" "$work/short/movie$i.vtr"; done
rm "$work/short/one.vtr"
"$bin/vtr-make" synthetic "$work/long.vtr" --size 1280x720 --rate 15 --seconds 50 --sound 22050

engine_wall=(); engine_cpu=(); ffmpeg_wall=(); ffmpeg_cpu=()
for run in $(seq 1 "$runs"); do
    rm -f "$work/out/"*
    read -r w c < <(timed "$bin/engine-driver" "$work/out" "$work/movie.vtr")
    engine_wall+=("$w"); engine_cpu+=("$c")
    read -r w c < <(timed ffmpeg -nostdin -loglevel error -y -i "$work/movie.vtr" -map 0:v:0 -map 0:a:0 \
        -c:v mpeg4 -vtag XVID -q:v 9 -g 100 -pix_fmt yuv420p \
        -c:a libmp3lame -b:a 64k -ar 22050 -ac 1 "$work/out/ffmpeg.avi")
    ffmpeg_wall+=("$w"); ffmpeg_cpu+=("$c")
    echo "run $run: engine ${engine_wall[-1]} s (cpu ${engine_cpu[-1]} s), ffmpeg ${ffmpeg_wall[-1]} s (cpu ${ffmpeg_cpu[-1]} s)"
done
ew=$(printf '%s\n' "${engine_wall[@]}" | median); fw=$(printf '%s\n' "${ffmpeg_wall[@]}" | median)
ec=$(printf '%s\n' "${engine_cpu[@]}" | median); fc=$(printf '%s\n' "${ffmpeg_cpu[@]}" | median)
printf 'median wall: engine %.3f s, ffmpeg %.3f s, ratio engine/ffmpeg %.3f (target <= 1.05)\n' "$ew" "$fw" "$(echo "$ew / $fw" | bc -l)"
printf 'median cpu:  engine %.3f s, ffmpeg %.3f s, ratio engine/ffmpeg %.3f\n' "$ec" "$fc" "$(echo "$ec / $fc" | bc -l)"

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
engine_wall=(); ffmpeg_wall=()
for run in $(seq 1 "$runs"); do
    rm -f "$work/out/"*
    read -r w c < <(timed "$bin/engine-driver" "$work/out" --settings "$work/h264.xml" "$work/movie.vtr")
    engine_wall+=("$w")
    read -r w c < <(timed ffmpeg -nostdin -loglevel error -y -i "$work/movie.vtr" -map 0:v:0 -map 0:a:0 \
        -c:v libx264 -vtag H264 -crf 12.75 -g 250 -pix_fmt yuv420p \
        -c:a libmp3lame -b:a 64k -ar 22050 -ac 1 "$work/out/ffmpeg.avi")
    ffmpeg_wall+=("$w")
    echo "H.264 run $run: engine ${engine_wall[-1]} s, ffmpeg ${ffmpeg_wall[-1]} s"
done
ew=$(printf '%s\n' "${engine_wall[@]}" | median); fw=$(printf '%s\n' "${ffmpeg_wall[@]}" | median)
printf 'H.264 median wall: engine %.3f s, ffmpeg %.3f s, ratio engine/ffmpeg %.3f\n' "$ew" "$fw" "$(echo "$ew / $fw" | bc -l)"

short_wall=(); short_cpu=(); long_wall=(); long_cpu=()
for run in $(seq 1 "$runs"); do
    rm -f "$work/out/"*
    read -r w c < <(timed "$bin/engine-driver" "$work/out" "$work/short/"*.vtr)
    short_wall+=("$w"); short_cpu+=("$c")
    read -r w c < <(timed "$bin/engine-driver" "$work/out" "$work/long.vtr")
    long_wall+=("$w"); long_cpu+=("$c")
    echo "run $run: 50 x 1 s ${short_wall[-1]} s (cpu ${short_cpu[-1]} s), 1 x 50 s ${long_wall[-1]} s (cpu ${long_cpu[-1]} s)"
done
sw=$(printf '%s\n' "${short_wall[@]}" | median); lw=$(printf '%s\n' "${long_wall[@]}" | median)
sc=$(printf '%s\n' "${short_cpu[@]}" | median); lc=$(printf '%s\n' "${long_cpu[@]}" | median)
printf 'per-movie overhead: wall %.1f ms, cpu %.1f ms (target < 30 ms)\n' \
    "$(echo "($sw - $lw) * 1000 / 50" | bc -l)" "$(echo "($sc - $lc) * 1000 / 50" | bc -l)"
