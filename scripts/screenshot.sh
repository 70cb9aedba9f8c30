#!/usr/bin/env bash
# Remakes docs/sample-preview.png: the sample page through html and ilvo_preview, shown by a
# headless Chromium (apt-get install chromium). Not part of the tests.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck disable=SC2046
"$build/contrib/parsehtml/html" "$top/examples/sample.html" $(cat "$top/examples/sample.colors") \
  2>/dev/null | "$build/preview/ilvo_preview" --format html "$top/examples/sample.html" \
  2>/dev/null >"$tmp/sample.html"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$tmp/profile" --hide-scrollbars --window-size=660,380 \
  --screenshot="$top/docs/sample-preview.png" "file://$tmp/sample.html" 2>/dev/null
echo "wrote docs/sample-preview.png"
