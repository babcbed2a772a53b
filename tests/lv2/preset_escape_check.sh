#!/usr/bin/env bash
# A preset description holding a quote and a backslash still gives Turtle
# that LV2 tools read, with the description intact.
#   preset_escape_check.sh PRESET_TOOL MANIFEST_IN WORK_DIR
set -euo pipefail
tool="$1" manifest="$2" work="$3"
command -v sordi >/dev/null || { echo "preset_escape_check: sordi missing (Debian sordi)" >&2; exit 1; }
mkdir -p "$work"
printf '# a "quoted" C:\\path description\nZeroX=0\n' >"$work/odd.preset"
"$tool" "$manifest" "$work/manifest.ttl" "$work/presets.ttl" "$work/odd.preset"
for file in manifest.ttl presets.ttl; do
  sordi -i turtle -o ntriples "file://$work/$file" >"$work/$file.nt" || {
    echo "preset_escape_check: $file is no valid Turtle" >&2
    exit 1
  }
done
comments=$(grep -cF 'rdf-schema#comment> "a \"quoted\" C:\\path description"' "$work/presets.ttl.nt" || true)
[ "$comments" -eq 2 ] || { echo "preset_escape_check: $comments intact descriptions, not 2 (plain and HQ)" >&2; exit 1; }
