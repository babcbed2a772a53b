#!/usr/bin/env bash
# Renders a 10-minute stereo 48 kHz file through the plug-in and reports the
# real-time factor. The render must run at least 100x faster than real time.
#   bench/render_speed.sh [MINUTES]     (builds a Release command into $BUILD_DIR,
#                                        default build-bench/, leaving build/ alone)
#   OVERSAMPLE=N bench/render_speed.sh  renders with --oversample N and only reports
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
minutes="${1:-10}"
required=100
oversample="${OVERSAMPLE:-1}"

echo "render_speed: building the command in $build (a few minutes the first time)" >&2
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" >/dev/null
cmake --build "$build" --target ondulaxis -j"$(nproc)" >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
c++ -O2 -std=c++20 "$root/bench/render_signal.cpp" -lsndfile -o "$work/render_signal"
"$work/render_signal" "$work/in.wav" "$((minutes * 60))"

summary="$("$build/tool/ondulaxis" render "$work/in.wav" "$work/out.wav" --oversample "$oversample" | tail -n 1)"
echo "$summary"
factor="$(sed -n 's/.*(\([0-9.]*\)x real time).*/\1/p' <<<"$summary")"
if [ "$oversample" != 1 ]; then
  echo "real-time factor: ${factor}x for ${minutes} min of stereo 48 kHz at ${oversample}x oversampling"
  exit 0
fi
echo "real-time factor: ${factor}x for ${minutes} min of stereo 48 kHz (required: ${required}x)"
awk -v f="$factor" -v r="$required" 'BEGIN { exit !(f >= r) }'
