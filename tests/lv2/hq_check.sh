#!/usr/bin/env bash
# Ondulaxis HQ in the bundle, as LV2 hosts see it: its library exports only
# the descriptor and needs only glibc, lv2info lists both plug-ins with the
# factor as an enumeration and the latency port, and lv2apply (lilv's host)
# renders at 1x and 100 % exactly what the plain plug-in renders, delayed by
# the latency the port reports (lv2apply does not compensate it). The
# Turtle is validated with the rest of the bundle by bundle_check.sh.
#   hq_check.sh LV2_DIR CHECK_TOOL WORK_DIR [shipped|sanitized]
set -euo pipefail
lv2_dir="$(cd "$1" && pwd)" tool="$2" work="$3" kind="${4:-shipped}"
bundle="$lv2_dir/Ondulaxis.lv2"
for program in lv2info lv2apply; do
  command -v "$program" >/dev/null || { echo "hq_check: $program missing (Debian lilv-utils)" >&2; exit 1; }
done
mkdir -p "$work"
export LV2_PATH="$lv2_dir"
failures=0
fail() { echo "hq_check: $*" >&2; failures=$((failures + 1)); }

exports=$(nm -D --defined-only "$bundle/OndulaxisHQ.so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exports" = "lv2_descriptor " ] || fail "the library exports: $exports"
[ "$kind" = sanitized ] || needed=$(readelf -d "$bundle/OndulaxisHQ.so" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' |
  grep -vxE 'libc\.so\.6|libm\.so\.6|libmvec\.so\.1|ld-linux-x86-64\.so\.2' || true)
[ -z "${needed:-}" ] || fail "the library needs: $needed"

for layout in stereo mono; do
  uri="https://ondulaxis.example/lv2/hq-$layout"
  listing="$work/lv2info-$layout.txt"
  lv2info "$uri" >"$listing" 2>"$work/lv2info-$layout.err" || fail "lv2info $uri failed"
  [ ! -s "$work/lv2info-$layout.err" ] || { cat "$work/lv2info-$layout.err" >&2; fail "lv2info $uri complained"; }
  for text in "Has latency:       yes, reported by port 10" "Symbol:      Oversample" '16 = "16x"' \
              "Symbol:      DryWet" "Designation: http://lv2plug.in/ns/lv2core#latency" \
              "Designation: http://lv2plug.in/ns/lv2core#enabled"; do
    grep -qF -- "$text" "$listing" || fail "$layout lacks: $text"
  done
  ports=$(grep -c "^	Port [0-9]*:" "$listing")
  expected=$([ "$layout" = stereo ] && echo 16 || echo 14)
  [ "$ports" -eq "$expected" ] || fail "$layout has $ports ports, not $expected"
  latency=$("$tool" latency)

  channels=$([ "$layout" = stereo ] && echo 2 || echo 1)
  "$tool" signal "$work/$layout.wav" "$channels"
  for settings in "" "-c InGain 12 -c SlewLim 5 -c FreqDif 30"; do
    # shellcheck disable=SC2086
    lv2apply -i "$work/$layout.wav" -o "$work/hq.wav" -c Oversample 1 $settings "$uri" >/dev/null
    # shellcheck disable=SC2086
    lv2apply -i "$work/$layout.wav" -o "$work/plain.wav" $settings \
      "https://ondulaxis.example/lv2/$layout" >/dev/null
    if result=$("$tool" compare "$work/hq.wav" "$work/plain.wav" 0 "$latency"); then
      echo "ok   $layout 1x ${settings:-defaults}: $result"
    else
      fail "$layout 1x ${settings:-defaults}: $result"
    fi
  done
  echo "lv2info $uri: $ports ports"
done
[ "$failures" -eq 0 ] || { echo "hq_check: $failures expectations failed" >&2; exit 1; }
