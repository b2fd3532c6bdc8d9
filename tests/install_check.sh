#!/usr/bin/env bash
# `cmake --install` into a fresh prefix puts each file where Debian puts it: the programs in bin/,
# their man pages in share/man/man1/, auralith-compare's completion where bash-completion loads
# it on demand; auralith-compare's files only where that program is built.
#
#   bash install_check.sh BUILD-DIR SOURCE-DIR yes|no(auralith-compare built)
set -uo pipefail
build=$1 source=$2 compare=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "cmake --install failed"; exit 1; }

expected=(bin/auralith share/man/man1/auralith.1)
if [[ $compare == yes ]]; then
    expected+=(bin/auralith-compare share/man/man1/auralith-compare.1
               share/bash-completion/completions/auralith-compare)
fi
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
failed=0
[[ $installed == "$wanted" ]] || { echo "installed:"; echo "$installed"; echo "expected:"; echo "$wanted"; failed=1; }
for program in bin/auralith bin/auralith-compare; do
    [[ ! -e $prefix/$program || -x $prefix/$program ]] || { echo "$program is not executable"; failed=1; }
done
for page in "$prefix"/share/man/man1/*.1; do
    cmp -s "$page" "$build/man/$(basename "$page")" || { echo "$page is not the build's page"; failed=1; }
done
completion=$prefix/share/bash-completion/completions/auralith-compare
if [[ -e $completion ]]; then
    cmp -s "$completion" "$source/completion/auralith-compare" || { echo "the completion is not the source's"; failed=1; }
fi
echo "$((1 - failed)) passed, $failed failed"
exit "$failed"
