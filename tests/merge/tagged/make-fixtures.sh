#!/usr/bin/env bash
# Prints each HTML page of this folder to a tagged PDF beside it with Debian's chromium, as the
# committed fixtures were made (Debian 12's chromium 156; the bytes differ from run to run, the
# structure does not).
set -euo pipefail
cd "$(dirname "$0")"
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
for page in *.html; do
    chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$profile" \
        --export-tagged-pdf --print-to-pdf="${page%.html}.pdf" "$page"
done
