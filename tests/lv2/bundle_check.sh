#!/usr/bin/env bash
# Checks the built bundle as hosts read it: its Turtle validated against the
# LV2 schemas, its library exporting only the descriptor, and lv2info listing both plug-ins with every port's range,
# default and unit, the bypass switch, every preset file as a preset, and
# the released version (minor.micro) the build derives from the project's.
#   bundle_check.sh LV2_DIR WORK_DIR shipped|sanitized VERSION PRESET_DIR
# A sanitized build links the sanitizers' runtimes, so its dependencies are
# not checked.
set -euo pipefail
lv2_dir="$1" work="$2" kind="$3" version="$4" preset_dir="$5"
bundle="$lv2_dir/Ondulaxis.lv2"
for tool in sord_validate sordi lv2info; do
  command -v "$tool" >/dev/null || { echo "bundle_check: $tool missing (Debian sordi, lilv-utils)" >&2; exit 1; }
done
mkdir -p "$work"

# The schemas lv2-dev installs; other bundles in /usr/lib/lv2 are not ours to judge.
mapfile -t schemas < <(dpkg -L lv2-dev 2>/dev/null | grep '\.ttl$' | grep '^/usr/lib/lv2/' || true)
[ ${#schemas[@]} -gt 0 ] || { echo "bundle_check: no LV2 schemas found (Debian lv2-dev)" >&2; exit 1; }
validation=$(sord_validate "${schemas[@]}" "$bundle"/*.ttl 2>&1) || {
  echo "$validation" >&2
  echo "bundle_check: sord_validate found errors" >&2
  exit 1
}
echo "$validation" | tail -n 1

# Hosts look up one symbol; nothing else of the library is theirs to bind to.
exports=$(nm -D --defined-only "$bundle/Ondulaxis.so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exports" = "lv2_descriptor " ] || { echo "bundle_check: the library exports: $exports" >&2; exit 1; }
# Self-contained: glibc's own libraries only.
[ "$kind" = sanitized ] || needed=$(readelf -d "$bundle/Ondulaxis.so" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' |
  grep -vxE 'libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2' || true)
[ -z "${needed:-}" ] || { echo "bundle_check: the library needs: $needed" >&2; exit 1; }

export LV2_PATH="$lv2_dir"
failures=0
expect() {  # expect FILE TEXT: FILE must contain the line or fragment TEXT
  if ! grep -qF -- "$2" "$1"; then
    echo "bundle_check: $(basename "$1") lacks: $2" >&2
    failures=$((failures + 1))
  fi
}

# symbol minimum maximum default unit, as lv2info prints the numbers
controls=(
  "ZeroX 0.000000 1.000000 1.000000 -"
  "InGain 0.000000 48.164799 0.000000 units#db"
  "SlewLim 0.195312 100.000000 100.000000 units#pc"
  "FuncMix 0.000000 100.000000 50.000000 units#pc"
  "AmpMin 0.000000 100.000000 0.000000 units#pc"
  "FreqMin 0.500000 256.000000 2.000000 lv2/units#cycles"
  "FreqDif -127.000000 127.000000 0.000000 lv2/units#cycles"
  "OutGain -48.164799 0.000000 0.000000 units#db"
)
for layout in stereo mono; do
  uri="https://ondulaxis.example/lv2/$layout"
  listing="$work/lv2info-$layout.txt"
  description="$work/description-$layout.ttl"
  rm -f "$description"
  lv2info "$uri" >"$listing" 2>"$work/lv2info-$layout.err"
  lv2info -p "$description" "$uri" >/dev/null 2>&1
  if [ -s "$work/lv2info-$layout.err" ]; then
    cat "$work/lv2info-$layout.err" >&2
    failures=$((failures + 1))
  fi
  if [ "$layout" = stereo ]; then
    expect "$listing" "Name:              Ondulaxis"
    audio=(in_l in_r out_l out_r)
  else
    expect "$listing" "Name:              Ondulaxis Mono"
    audio=(in out)
  fi
  # Each port's block runs from its "Port N:" line to the next blank-line gap.
  index=0
  for entry in "${controls[@]}"; do
    read -r symbol minimum maximum default unit <<<"$entry"
    block="$work/port-$layout-$index.txt"
    awk -v start="Port $index:" '$0 ~ "^\tPort " {inside = ($1 " " $2 == start)} inside' "$listing" >"$block"
    expect "$block" "Symbol:      $symbol"
    expect "$block" "Minimum:     $minimum"
    expect "$block" "Maximum:     $maximum"
    expect "$block" "Default:     $default"
    [ "$unit" = - ] || expect "$description" "$unit>"
    index=$((index + 1))
  done
  expect "$listing" "100.0 = \"Off\""
  # The switch hosts bypass with follows the audio ports.
  block="$work/port-$layout-enabled.txt"
  awk -v start="Port $((8 + ${#audio[@]})):" '$0 ~ "^\tPort " {inside = ($1 " " $2 == start)} inside' "$listing" >"$block"
  expect "$block" "Symbol:      enabled"
  expect "$block" "Designation: http://lv2plug.in/ns/lv2core#enabled"
  expect "$block" "Default:     1.000000"
  expect "$block" "lv2core#toggled"
  for preset in "$preset_dir"/*.preset; do
    expect "$listing" "	         $(basename "$preset" .preset)"
  done
  # Released: an even minor version above 0.
  minor=$(sordi -o ntriples "$bundle/ondulaxis-$layout.ttl" | sed -n 's/.*lv2core#minorVersion> "\([0-9]*\)".*/\1/p')
  micro=$(sordi -o ntriples "$bundle/ondulaxis-$layout.ttl" | sed -n 's/.*lv2core#microVersion> "\([0-9]*\)".*/\1/p')
  if [ "$minor.$micro" != "$version" ] || [ $((minor % 2)) -ne 0 ] || [ "$minor" -eq 0 ]; then
    echo "bundle_check: $layout has version $minor.$micro, not the released $version" >&2
    failures=$((failures + 1))
  fi
  for symbol in "${audio[@]}"; do
    expect "$listing" "Symbol:      $symbol"
  done
  ports=$(grep -c "^	Port [0-9]*:" "$listing")
  [ "$ports" -eq $((9 + ${#audio[@]})) ] || { echo "bundle_check: $layout has $ports ports" >&2; failures=$((failures + 1)); }
  # Seven units, one per control port but the toggle.
  units=$(grep -c "units#unit>" "$description")
  [ "$units" -eq 7 ] || { echo "bundle_check: $layout names $units units, not 7" >&2; failures=$((failures + 1)); }
  echo "lv2info $uri: $ports ports, version $minor.$micro, presets:" $(sed -n '/^\tPresets:/,/^$/p' "$listing" | tail -n +2)
done
# Ondulaxis HQ: released alike, with the same presets (its own controls at
# their defaults in each).
for layout in hq-stereo hq-mono; do
  uri="https://ondulaxis.example/lv2/$layout"
  listing="$work/lv2info-$layout.txt"
  lv2info "$uri" >"$listing" 2>"$work/lv2info-$layout.err" || true
  if [ -s "$work/lv2info-$layout.err" ]; then
    cat "$work/lv2info-$layout.err" >&2
    failures=$((failures + 1))
  fi
  for preset in "$preset_dir"/*.preset; do
    expect "$listing" "	         $(basename "$preset" .preset)"
  done
  minor=$(sordi -o ntriples "$bundle/ondulaxis-$layout.ttl" | sed -n 's/.*lv2core#minorVersion> "\([0-9]*\)".*/\1/p')
  micro=$(sordi -o ntriples "$bundle/ondulaxis-$layout.ttl" | sed -n 's/.*lv2core#microVersion> "\([0-9]*\)".*/\1/p')
  if [ "$minor.$micro" != "$version" ]; then
    echo "bundle_check: $layout has version $minor.$micro, not the released $version" >&2
    failures=$((failures + 1))
  fi
  echo "lv2info $uri: version $minor.$micro, presets:" $(sed -n '/^\tPresets:/,/^$/p' "$listing" | tail -n +2)
done
[ "$failures" -eq 0 ] || { echo "bundle_check: $failures expectations failed" >&2; exit 1; }
