#!/usr/bin/env bash
# The page of auralith-compare in a real browser: headless chromium loads report.html from the
# disk, and its rendered document must hold the six curves, the 78 position marks, the legend and
# each array's plan; a screenshot is taken as well (kept when AURALITH_SCREENSHOT names a file).
# Exit 77 (skipped) where chromium is not installed.
#
#   bash tests/compare_browser_check.sh PATH/TO/auralith-compare RECORDING.wav
set -euo pipefail
program=$1
recording=$2
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "chromium is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$program" --no-audio -q -o "$work/out" "$recording"
# A fresh profile, and nothing that would reach the network.
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
       --disable-component-update --disable-sync --user-data-dir="$work/profile")
page="file://$work/out/report.html"
timeout 120 "$browser" "${flags[@]}" --dump-dom "$page" > "$work/dom.html" 2> "$work/browser.log"
curves=$(grep -o '<path class="curve"' "$work/dom.html" | wc -l)
marks=$(grep -o '<circle class="position"' "$work/dom.html" | wc -l)
legend=$(grep -o '<g class="legend">' "$work/dom.html" | wc -l)
sections=$(grep -o '<section class="array"' "$work/dom.html" | wc -l)
plans=$(grep -o '<svg class="plan"' "$work/dom.html" | wc -l)
echo "curves $curves, position marks $marks, legend entries $legend, array sections $sections, plans $plans"
[ "$curves" -eq 6 ] && [ "$marks" -eq 78 ] && [ "$legend" -eq 6 ] && [ "$sections" -eq 6 ] && [ "$plans" -eq 6 ] || {
  echo "FAILED: the browser's document lacks parts of the page"; exit 1; }
grep -q 'Decca three-omni tree' "$work/dom.html" || { echo "FAILED: no legend text"; exit 1; }
timeout 120 "$browser" "${flags[@]}" --window-size=900,1400 --screenshot="$work/page.png" "$page" \
  >> "$work/browser.log" 2>&1
# A PNG of some size: the page was drawn.
[ "$(head -c 8 "$work/page.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || {
  echo "FAILED: no screenshot"; exit 1; }
[ "$(stat -c %s "$work/page.png")" -gt 20000 ] || { echo "FAILED: an empty screenshot"; exit 1; }
[ -z "${AURALITH_SCREENSHOT:-}" ] || cp "$work/page.png" "$AURALITH_SCREENSHOT"
echo "the page shows its six curves"
