#!/usr/bin/env bash
# auralith-compare's bash completion, called as bash calls it: COMP_WORDS split at blanks and at
# the word-break characters, COMP_CWORD, COMP_LINE and COMP_POINT; each case what COMPREPLY holds.
#
#   bash completion_check.sh COMPLETION
set -uo pipefail
# shellcheck source=/dev/null
source "$1" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir heads && touch take.wav notes.txt head.sofa -- -x.wav

# The words bash makes of a line: blanks part them, and a run of break characters is a word.
split() {
    local word
    COMP_WORDS=()
    for word in $1; do
        while [[ $word =~ ^([^:=]*)([:=]+)(.*)$ ]]; do
            [[ -n ${BASH_REMATCH[1]} ]] && COMP_WORDS+=("${BASH_REMATCH[1]}")
            COMP_WORDS+=("${BASH_REMATCH[2]}")
            word=${BASH_REMATCH[3]}
        done
        [[ -n $word ]] && COMP_WORDS+=("$word")
    done
    [[ $1 == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
}

failed=0 passed=0
# BREAKS|LINE after the program's name|COMPREPLY, sorted. BREAKS: bash's own, or blanks alone;
# "words" calls with COMP_WORDS and COMP_CWORD alone, as a caller without COMP_LINE would.
while IFS='|' read -r breaks line expected; do
    COMP_WORDBREAKS=$' \t\n"\'><=;|&(:'
    [[ $breaks == blanks ]] && COMP_WORDBREAKS=$' \t\n'
    split "auralith-compare $line"
    COMP_LINE="auralith-compare $line"
    COMP_POINT=${#COMP_LINE}
    [[ $breaks == words ]] && unset COMP_LINE COMP_POINT
    COMPREPLY=()
    _auralith_compare
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    if [[ $got == "$expected" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: [$line] ($breaks): '$got', not '$expected'"
    fi
done <<'CASES'
bash|-a n|nos
bash|-a |1 2 3 4 5 6 ab40 ab60 blumlein din ms: nos ortf pair: rai tree: xy
bash|-a 4,pair:c|cardioid
blanks|-a 4,pair:c|4,pair:cardioid
bash|-a 4,pair:cardioid:|
bash|-a tree:2:1.5:h|hypercardioid
bash|--arrays=3,ms:s|subcardioid supercardioid
bash|-a4,ab|-a4,ab40 -a4,ab60
words|--arrays=5,PAIR:o|omni
bash|--speakers |30 45
bash|--room |chamber church hall studio
bash|--room=c|chamber church
bash|--rt60 |
bash|--p|--pattern --positions
bash|--hrtf |head.sofa heads
bash|-o |heads
bash|--design 1|
bash|t|take.wav
bash|-q -- -|-x.wav
CASES
echo "$passed passed, $failed failed"
[[ $failed == 0 ]]
