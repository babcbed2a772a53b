#!/usr/bin/env bash
# Ardour, run headless, renders a generated signal through the stereo LV2
# plug-in with ports set through its own controls; the result must not be
# silent, hold no NaN, and match `ondulaxis render` of the same dry signal
# with the corresponding normalised values to 1e-6. (Ardour feeds the
# plug-in samples a few 1e-8 off the region's, so bit equality is not
# expected.) Ardour must also list every preset file as a preset.
#   ardour_check.sh LV2_DIR ONDULAXIS CHECK_TOOL WORK_DIR PRESET_DIR
set -euo pipefail
lv2_dir="$(cd "$1" && pwd)" ondulaxis="$2" tool="$3" work="$4" preset_dir="$5"
here="$(cd "$(dirname "$0")" && pwd)"
command -v ardour7-lua >/dev/null || { echo "ardour_check: ardour7-lua missing (Debian ardour)" >&2; exit 1; }
command -v sox >/dev/null || { echo "ardour_check: sox missing" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
# Ardour's configuration and caches stay in the work folder; the bundle is
# found through LV2_PATH, Ardour's own LV2 plug-ins beside it.
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" LV2_PATH="$lv2_dir:/usr/lib/lv2"

# port=value in display units: InGain 9 dB, SlewLim 20 %, FuncMix 80 %, FreqDif -3 cycles
ports=(1=9 2=20 3=80 6=-3)
names=(ZeroX InGain SlewLim FuncMix AmpMin FreqMin FreqDif OutGain)
timeout 180 ardour7-lua "$here/ardour_render.lua" "$work/session" "${ports[*]}" >"$work/ardour.log" 2>&1 || {
  cat "$work/ardour.log" >&2
  echo "ardour_check: Ardour's render failed" >&2
  exit 1
}
for name in dry wet; do
  left=$(awk -v n="$name" '$1 == "FILE" && $2 == n && $3 == 0 {print $4}' "$work/ardour.log")
  right=$(awk -v n="$name" '$1 == "FILE" && $2 == n && $3 == 1 {print $4}' "$work/ardour.log")
  [ -n "$left" ] && [ -n "$right" ] || { cat "$work/ardour.log" >&2; echo "ardour_check: no $name files" >&2; exit 1; }
  sox -M "$left" "$right" "$work/$name.wav" 2>/dev/null
done

listed=$(awk '$1 == "PRESET" {print $2}' "$work/ardour.log")
for preset in "$preset_dir"/*.preset; do
  grep -qxF "$(basename "$preset" .preset)" <<<"$listed" || { echo "ardour_check: Ardour lists no preset $(basename "$preset")" >&2; exit 1; }
done
echo "Ardour lists the presets:" $listed

render_args=()
for port in "${ports[@]}"; do
  name="${names[${port%%=*}]}"
  render_args+=(--set "$name=$("$tool" normalise "$name" "${port#*=}")")
done
"$ondulaxis" render "$work/dry.wav" "$work/expected.wav" --quiet "${render_args[@]}"
# Not silent and not the dry signal: the plug-in ran.
if "$tool" compare "$work/wet.wav" "$work/dry.wav" 0.01 >/dev/null; then
  echo "ardour_check: Ardour's output is within 0.01 of the dry signal" >&2
  exit 1
fi
peak=$(sox "$work/wet.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
echo "Ardour render: peak $peak"
result=$("$tool" compare "$work/wet.wav" "$work/expected.wav" 1e-6) || {
  echo "ardour_check: against ondulaxis render: $result" >&2
  exit 1
}
echo "against ondulaxis render: $result"
