#!/usr/bin/env bash
# The scripts' package installs under a mirror that is syncing one index: `apt-get update` exits
# 100, yet the install goes on from the lists at hand (it alone decides), with one warning. An
# apt-get of the test's own stands in for Debian's and records what it was asked.
#
#   bash tests/tools_packages_check.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
command -v dpkg-query > /dev/null || { echo "not a Debian system: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/apt-get" <<'FAKE'
#!/bin/sh
for word; do
  if [ "$word" = update ]; then
    echo "E: Failed to fetch binary-i386/Packages  File has unexpected size. Mirror sync in progress?" >&2
    exit 100
  fi
done
echo "$*" >> "$APT_LOG"
FAKE
chmod +x "$work/apt-get"
# No root here: sudo would be asked for, so the test's own sudo runs the command as it is.
printf '#!/bin/sh\nexec "$@"\n' > "$work/sudo"
chmod +x "$work/sudo"
export APT_LOG="$work/apt.log"
errors=$(PATH="$work:$PATH" bash -c "source '$source_dir/tools/packages.sh'; sleep() { :; }
                                       ensure_packages auralith-no-such-package" 2>&1 > /dev/null)
grep -q 'install -y -q --no-install-recommends auralith-no-such-package' "$APT_LOG" || {
  echo "FAILED: no install after the partial update"; cat "$APT_LOG" 2> /dev/null; exit 1; }
grep -q '^warning: apt-get update did not bring every package list' <<< "$errors" || {
  echo "FAILED: the partial update was not told: $errors"; exit 1; }
echo "a partial apt-get update is a warning, and the install goes on"
