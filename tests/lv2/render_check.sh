#!/usr/bin/env bash
# Renders the test signal through each LV2 plug-in with lv2apply (lilv's
# host) and through the same effect with `ondulaxis render`, and compares:
# at the defaults and at each port's range ends the files must match bit
# for bit (with normalised values 0 and 1 given literally), elsewhere to
# 1e-6 with the normalised value the adapter computes. Each LV2 preset, its
# port values read from the bundle as a host reads them, must match
# `--preset` of its file bit for bit, and the bypass switch `--bypass`.
#   render_check.sh LV2_DIR ONDULAXIS CHECK_TOOL WORK_DIR PRESET_DIR
set -euo pipefail
lv2_dir="$1" ondulaxis="$2" tool="$3" work="$4" preset_dir="$5"
for command in lv2apply sordi; do
  command -v "$command" >/dev/null || { echo "render_check: $command missing (Debian lilv-utils, sordi)" >&2; exit 1; }
done
export LV2_PATH="$lv2_dir"
mkdir -p "$work"
"$tool" signal "$work/stereo.wav" 2
"$tool" signal "$work/mono.wav" 1

# name min max, as the Turtle files give them
ends=(
  "ZeroX 0 1" "InGain 0.0 48.1648" "SlewLim 0.1953125 100.0" "FuncMix 0.0 100.0"
  "AmpMin 0.0 100.0" "FreqMin 0.5 256.0" "FreqDif -127.0 127.0" "OutGain -48.1648 0.0"
)
# port settings inside the ranges, several at once
inside=(
  "InGain=12 FuncMix=80 FreqMin=7.5"
  "ZeroX=0 SlewLim=5 AmpMin=20 FreqDif=-30"
  "InGain=30.5 SlewLim=0.8 FuncMix=100 FreqMin=40 FreqDif=45.25 OutGain=-6"
  "ZeroX=0 InGain=6.02 FuncMix=33.333 AmpMin=66.6 FreqMin=1.3 FreqDif=0.37 OutGain=-20.5"
  "SlewLim=99.95 FreqDif=126.9 OutGain=-48.16 InGain=0.01"
)

failures=0
# compare_case LABEL LIMIT "LV2 ARGS" "RENDER ARGS" for each plug-in
compare_case() {
  local label="$1" limit="$2" lv2_args="$3" render_args="$4" layout result
  for layout in stereo mono; do
    # shellcheck disable=SC2086
    lv2apply -i "$work/$layout.wav" -o "$work/lv2.wav" $lv2_args \
      "https://ondulaxis.example/lv2/$layout" >/dev/null
    # shellcheck disable=SC2086
    "$ondulaxis" render "$work/$layout.wav" "$work/vst.wav" --quiet $render_args
    if result=$("$tool" compare "$work/lv2.wav" "$work/vst.wav" "$limit"); then
      echo "ok   $layout $label: $result"
    else
      echo "FAIL $layout $label (limit $limit): $result"
      failures=$((failures + 1))
    fi
  done
}

compare_case "defaults" 0 "" ""
for entry in "${ends[@]}"; do
  read -r name minimum maximum <<<"$entry"
  compare_case "$name=$minimum" 0 "-c $name $minimum" "--set $name=0"
  compare_case "$name=$maximum" 0 "-c $name $maximum" "--set $name=1"
done
for settings in "${inside[@]}"; do
  lv2_args="" render_args=""
  for setting in $settings; do
    name="${setting%%=*}" value="${setting#*=}"
    lv2_args+=" -c $name $value"
    render_args+=" --set $name=$("$tool" normalise "$name" "$value")"
  done
  compare_case "$settings" 1e-6 "$lv2_args" "$render_args"
done

compare_case "bypassed" 0 "-c enabled 0" "--bypass"
# ... and bypassed is the input itself.
for layout in stereo mono; do
  lv2apply -i "$work/$layout.wav" -o "$work/lv2.wav" -c enabled 0 "https://ondulaxis.example/lv2/$layout" >/dev/null
  "$tool" compare "$work/lv2.wav" "$work/$layout.wav" 0 >/dev/null || { echo "FAIL $layout bypassed is not the input"; failures=$((failures + 1)); }
done

# A preset's ports: "-c SYMBOL VALUE" for each blank node of the preset.
preset_ports() {
  sordi -o ntriples "$lv2_dir/Ondulaxis.lv2/presets.ttl" | awk -v preset="<https://ondulaxis.example/lv2/preset/$1>" '
    $1 == preset && $2 ~ /lv2core#port>$/ {port[$3] = 1}
    $2 ~ /lv2core#symbol>$/ {symbol[$1] = $3}
    $2 ~ /presets#value>$/ {value[$1] = $3}
    END {for (node in port) {s = symbol[node]; v = value[node]; gsub(/"/, "", s); sub(/\^\^.*/, "", v); gsub(/"/, "", v); printf " -c %s %s", s, v}}'
}
for preset in "$preset_dir"/*.preset; do
  name=$(basename "$preset" .preset)
  ports=$(preset_ports "$name")
  [ "$(wc -w <<<"$ports")" -eq 24 ] || { echo "FAIL preset $name: ports '$ports'"; failures=$((failures + 1)); continue; }
  compare_case "preset $name" 0 "$ports" "--preset $preset"
done

if [ "$failures" -ne 0 ]; then
  echo "render_check: $failures comparisons failed" >&2
  exit 1
fi
