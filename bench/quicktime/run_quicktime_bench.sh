#!/usr/bin/env bash
# Times the QuickTime export against the ffmpeg command doing the same job.
#
#   bench/quicktime/run_quicktime_bench.sh BUILD-FOLDER [RUNS]
#
# Two synthetic 1280 x 720, 30-second recordings (15 fps, 22.05 kHz mono
# sound), a moving one and a still one (the screen stands still, as in
# most of a real screen recording), are each exported to MOV RUNS times
# through the terminal front end (--format qt) and RUNS times by ffmpeg,
# alternating, so that each pair meets the same neighbours on a shared
# machine. The settings are the
# defaults with AAC sound: automatic data rate at quality 870 (x264's rate
# factor 51 - 36 x 870 / 1024 = 20.4140625), a key frame every second (15
# frames), streaming playback (fast start), AAC 64 kbit/s mono at
# 22.05 kHz. ffmpeg gets the same encoders and parameters. Prints the ratio
# export/ffmpeg of every pair, their median and range (min-max) for wall
# and CPU time (target: median wall ratio 1.0 or less on the moving
# recording, 0.5 or less on the still one), and the file sizes. RUNS (the number of pairs) is at least 3.
set -euo pipefail
build=$(cd "${1:?usage: run_quicktime_bench.sh BUILD-FOLDER [RUNS]}" && pwd)
runs=${2:-3}
if (( runs < 3 )); then echo "RUNS must be at least 3" >&2; exit 2; fi
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/quicktime-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The front end's settings store and component registry stay in here.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"

# Reads one number a line; prints "median min max".
summary() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%s %s %s\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[1], v[NR] }'
}
# Runs a command and prints "wall cpu" in seconds (cpu = user + system,
# children included).
timed() {
    local TIMEFORMAT='%R %U %S'
    local t
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
    echo "$t" | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

echo "Making the recordings..."
mkdir -p "$work/moving" "$work/still"
"$bin/vtr-make" synthetic "$work/moving/movie.vtr" --size 1280x720 --rate 15 --seconds 30 --sound 22050
"$bin/vtr-make" synthetic "$work/still/movie.vtr" --size 1280x720 --rate 15 --seconds 30 --sound 22050 --still
cat > "$work/QT.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Application Name="">
  <Program Name="">
    <Configuration>
      <Value Name="SoundCompressFormat" Type="Integer">
        <Contents>1</Contents>
      </Value>
    </Configuration>
  </Program>
</Application>
XML
bench_case() {
    local case=$1
    echo "== $case recording"
    mkdir -p "$work/out"

    wall_ratio=(); cpu_ratio=()
    for run in $(seq 1 "$runs"); do
        rm -f "$work/out/"*
        read -r ew ec < <(timed "$bin/vantor-batch-export-cli" --format qt --settings "$work/QT.xml" --yes \
            --dest "$work/out" "$work/$case/movie.vtr")
        read -r fw fc < <(timed ffmpeg -nostdin -loglevel error -y -i "$work/$case/movie.vtr" -map 0:v:0 -map 0:a:0 \
            -c:v libx264 -crf 20.4140625 -g 15 -pix_fmt yuv420p \
            -c:a aac -b:a 64k -ar 22050 -ac 1 -movflags +faststart "$work/out/ffmpeg.mov")
        if [ ! -s "$work/out/movie.mov" ]; then echo "the export wrote no movie" >&2; exit 1; fi
        wall_ratio+=("$(echo "$ew / $fw" | bc -l)"); cpu_ratio+=("$(echo "$ec / $fc" | bc -l)")
        printf "run %d: export %.2f s wall %.2f s cpu, ffmpeg %.2f s wall %.2f s cpu, wall ratio %.3f\n" \
            "$run" "$ew" "$ec" "$fw" "$fc" "${wall_ratio[-1]}"
    done
    read -r wm wl wh < <(printf "%s\n" "${wall_ratio[@]}" | summary)
    read -r cm cl ch < <(printf "%s\n" "${cpu_ratio[@]}" | summary)
    printf "wall ratio export/ffmpeg: median %.3f (%.3f-%.3f)\n" "$wm" "$wl" "$wh"
    printf "cpu ratio export/ffmpeg:  median %.3f (%.3f-%.3f)\n" "$cm" "$cl" "$ch"
    printf "sizes: export %d bytes, ffmpeg %d bytes\n" "$(stat -c %s "$work/out/movie.mov")" \
        "$(stat -c %s "$work/out/ffmpeg.mov")"
    echo "load average: $(cat /proc/loadavg)"
}
bench_case moving
bench_case still
