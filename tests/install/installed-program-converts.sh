#!/usr/bin/env bash
# Installs the build into a temporary prefix and converts a 1.4 movie with
# the installed terminal front end, run as the user nobody: the program
# folder is not writable for it, so the engine's registration at start-up
# must go to nobody's own component registry.
# Usage: installed-program-converts.sh BUILD_DIR INSTALL_DIR [NOT_INSTALLED_FILE...]
set -euo pipefail
build=$1 install_dir=$2
shift 2
not_installed=("$@")

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: running the installed program as another user needs root (runuser)"
  exit 77
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
prefix=$tmp/prefix
program_folder=$prefix/$install_dir
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# Everything the build's program folder holds is installed, except the
# benchmarks' drivers that sit there.
(cd "$build/bin" && find . -mindepth 1 | sort) > "$tmp/built"
(cd "$program_folder" && find . -mindepth 1 | sort) > "$tmp/installed"
for name in "${not_installed[@]}"; do sed -i "\|^\./$name\$|d" "$tmp/built"; done
missing=$(comm -23 "$tmp/built" "$tmp/installed")
[ -z "$missing" ] || fail "not installed: $missing"

for program in vantor-batch-export vantor-batch-export-cli; do
  [ "$(readlink -f "$prefix/bin/$program")" = "$program_folder/$program" ] ||
    fail "bin/$program does not lead to the program folder"
done
# The installed programs load the installed libraries, not the build's.
if ldd "$program_folder/vantor-batch-export-cli" | grep -E 'libvantor|VTPLAYERAPI' | grep -vF "$program_folder/"; then
  fail "libraries resolved outside the program folder"
fi

mkdir -p "$tmp/movies" "$tmp/home" "$tmp/out"
"$build/bin/vtr-make" synthetic "$tmp/movies/old.vtr" --size 64x48 --rate 10 --seconds 1 --old >/dev/null
chown nobody "$tmp/home" "$tmp/out"
chmod 755 "$tmp/movies"
chmod 644 "$tmp/movies/old.vtr"
if runuser -u nobody -- test -w "$program_folder"; then
  fail "the program folder is writable for nobody"
fi

# Nothing of this environment reaches the program but the sanitizers' options.
sanitizer_options=()
for name in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
  if [ -n "${!name:-}" ]; then sanitizer_options+=("$name=${!name}"); fi
done
status=0
runuser -u nobody -- env -i HOME="$tmp/home" PATH=/usr/bin:/bin "${sanitizer_options[@]}" \
  "$prefix/bin/vantor-batch-export-cli" --format convert --dest "$tmp/out" "$tmp/movies/old.vtr" \
  >"$tmp/stdout" 2>"$tmp/stderr" || status=$?
[ "$status" -eq 0 ] || { cat "$tmp/stdout" "$tmp/stderr"; fail "exit status $status"; }
grep -qxF "old.vtr: converted successfully" "$tmp/stdout" || { cat "$tmp/stdout"; fail "no success line"; }
# A current movie is a Matroska file.
[ "$(od -An -tx1 -N4 "$tmp/out/old.vtr" | tr -d ' ')" = "1a45dfa3" ] || fail "output is not a current movie"
grep -qF "$program_folder/libVTPLAYERAPI.so" "$tmp/home/.config/Corvane/Components.xml" ||
  fail "the installed engine is not in nobody's component registry"
echo "installed program converted a movie as nobody"
