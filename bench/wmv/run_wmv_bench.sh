#!/usr/bin/env bash
# Times the Windows Media export against the ffmpeg command.
#
#   bench/wmv/run_wmv_bench.sh BUILD-FOLDER [RUNS]
#
# The synthetic 1280 x 720, 30-second recordings of the engine benchmark
# (15 fps, 22.05 kHz mono sound), a moving one and a still one (only typed
# text changes), are each exported to WMV RUNS times by the
# terminal front end (real engine, libWMVExport.so: Windows Media Video 8 at
# one-pass variable bit rate, quality 80 = fixed quantiser 7, a key frame
# every 10 seconds; Windows Media Audio 2 at 32 kbit/s, 22.05 kHz mono) and
# RUNS times by ffmpeg with the same encoders and parameters, alternating,
# so that each pair of runs meets the same neighbours on a shared machine.
# Prints the ratio export/ffmpeg of every pair, then their median and range
# (min-max), for wall and CPU time (target: median wall ratio 1.0 or less
# on the moving recording, 0.5 or less on the still one), and the two file
# sizes of the last pair. RUNS (the number of pairs) is at
# least 5. Quote figures from a quiet machine.
set -euo pipefail
build=$(cd "${1:?usage: run_wmv_bench.sh BUILD-FOLDER [RUNS]}" && pwd)
runs=${2:-5}
if (( runs < 5 )); then echo "RUNS must be at least 5" >&2; exit 2; fi
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/wmv-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The front end keeps its settings and component registry under HOME.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME" "$work/out"

summary() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%s %s %s\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[1], v[NR] }'
}
timed() {
    local TIMEFORMAT='%R %U %S'
    local t
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
    echo "$t" | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}

echo "Making the recordings..."
"$bin/vtr-make" synthetic "$work/moving.vtr" --size 1280x720 --rate 15 --seconds 30 --sound 22050
"$bin/vtr-make" synthetic "$work/still.vtr" --size 1280x720 --rate 15 --seconds 30 --sound 22050 --still

# wmv2 (FOURCC WMV2 = 844516695), quality 80; wmav2 (353) format 97:
# 32 kbit/s, 22.05 kHz mono.
cat > "$work/WMV.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Application Name="">
  <Program Name="">
    <Configuration>
      <Value Name="VideoCodecId" Type="Integer"><Contents>844516695</Contents></Value>
      <Value Name="IsVideoVBR" Type="Integer"><Contents>1</Contents></Value>
      <Value Name="VideoNumPasses" Type="Integer"><Contents>1</Contents></Value>
      <Value Name="VideoQuality" Type="Integer"><Contents>80</Contents></Value>
      <Value Name="AudioCodecId" Type="Integer"><Contents>353</Contents></Value>
      <Value Name="AudioFormatId" Type="Integer"><Contents>97</Contents></Value>
    </Configuration>
  </Program>
</Application>
XML

for movie in moving still; do
    target=1.0; [[ $movie == still ]] && target=0.5
    echo "The $movie recording:"
    wall_ratio=(); cpu_ratio=()
    for run in $(seq 1 "$runs"); do
        rm -f "$work/out/"*
        read -r ew ec < <(timed "$bin/vantor-batch-export-cli" --yes --format wmv --settings "$work/WMV.xml" \
            --dest "$work/out" "$work/$movie.vtr")
        [[ -s "$work/out/$movie.wmv" ]] || { echo "the export wrote nothing" >&2; exit 1; }
        read -r fw fc < <(timed ffmpeg -nostdin -loglevel error -y -i "$work/$movie.vtr" -map 0:v:0 -map 0:a:0 \
            -c:v wmv2 -q:v 7 -g 150 -pix_fmt yuv420p -c:a wmav2 -b:a 32k -ar 22050 -ac 1 "$work/out/ffmpeg.wmv")
        wall_ratio+=("$(echo "$ew / $fw" | bc -l)"); cpu_ratio+=("$(echo "$ec / $fc" | bc -l)")
        printf 'pair %d: export %s s (cpu %s s), ffmpeg %s s (cpu %s s), ratio wall %.3f cpu %.3f, load %s\n' \
            "$run" "$ew" "$ec" "$fw" "$fc" "${wall_ratio[-1]}" "${cpu_ratio[-1]}" "$(cut -d' ' -f1 /proc/loadavg)"
    done
    read -r m lo hi < <(printf '%s\n' "${wall_ratio[@]}" | summary)
    printf '%s: wall ratio export/ffmpeg: median %.3f, range %.3f-%.3f over %d pairs (target <= %s)\n' \
        "$movie" "$m" "$lo" "$hi" "$runs" "$target"
    read -r m lo hi < <(printf '%s\n' "${cpu_ratio[@]}" | summary)
    printf '%s: cpu ratio export/ffmpeg:  median %.3f, range %.3f-%.3f over %d pairs\n' "$movie" "$m" "$lo" "$hi" "$runs"
    printf '%s: file sizes: export %s bytes, ffmpeg %s bytes\n' "$movie" "$(stat -c %s "$work/out/$movie.wmv")" \
        "$(stat -c %s "$work/out/ffmpeg.wmv")"
done
