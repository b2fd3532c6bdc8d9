#!/usr/bin/env bash
# The man pages as built: mandoc's lint finds nothing in them, and man renders each with the
# sections a Debian page has and the project's version in its footer.
#
#   bash man_pages_check.sh VERSION PAGE...
set -uo pipefail
version=$1
shift
for tool in mandoc man; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (Debian: mandoc, man-db): skipped"; exit 77; }
done
passed=0 failed=0
for page in "$@"; do
    faults=()
    lint=$(mandoc -T lint "$page" 2>&1)
    [[ -z $lint ]] || faults+=("mandoc -T lint: $lint")
    shown=$(MANWIDTH=80 man -l "$page" 2>&1 | sed 's/.\x08//g') || faults+=("man -l failed")
    for heading in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' FILES EXAMPLES 'SEE ALSO'; do
        grep -qx "$heading" <<<"$shown" || faults+=("no $heading section")
    done
    grep -q "^Auralith $version " <<<"$shown" || faults+=("no 'Auralith $version' in the footer")
    # @NAME@, not the '@' of a stage's FILE@ANGLE.
    ! grep -qE '@[A-Z_][A-Z0-9_]*@' <<<"$shown" || faults+=("a configure variable left unfilled")
    if ((${#faults[@]} == 0)); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        for fault in "${faults[@]}"; do echo "$page: $fault"; done
    fi
done
echo "$passed passed, $failed failed"
((failed == 0))
