#!/usr/bin/env bash
# make_ensemble makes examples/ensemble again byte for byte, each file peaking at -6 dBFS; a
# longer run repeats the same phrase (its first 4 seconds are the committed files' but for their
# fade-out, its second round is the phrase again but for the fade-in); a length it cannot make is
# refused with status 2.
#
#   bash tests/make_ensemble_check.sh MAKE_ENSEMBLE SOURCE_DIR
set -euo pipefail
tool=$1
examples=$2/examples/ensemble
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

"$tool" "$work/short"
"$tool" "$work/long" 9
phrase=176400 fade_in=441 fade_out=2205
for voice in violin flute cello marimba; do
  cmp "$examples/$voice.wav" "$work/short/$voice.wav" || fail "$voice.wav is not the committed file"
  # -6 dBFS: the loudest sample is half of full scale, 16384, and none is louder.
  peak=$(od -An -v -t d2 -j 44 "$examples/$voice.wav" |
         awk '{ for (i = 1; i <= NF; i++) if ((v = $i < 0 ? -$i : $i) > m) m = v } END { print m }')
  [ "$peak" -eq 16384 ] || fail "$voice.wav peaks at $peak, not at 16384"
  size=$(wc -c < "$work/long/$voice.wav")
  [ "$size" -eq $((44 + 2 * 9 * 44100)) ] || fail "the 9-second $voice.wav has $size bytes"
  cmp -i 44 -n $((2 * (phrase - fade_out))) "$work/short/$voice.wav" "$work/long/$voice.wav" ||
    fail "the 9-second $voice.wav does not start as the 4-second one"
  cmp -i $((44 + 2 * fade_in)):$((44 + 2 * (phrase + fade_in))) -n $((2 * (phrase - fade_in - fade_out))) \
    "$work/short/$voice.wav" "$work/long/$voice.wav" || fail "the 9-second $voice.wav does not repeat its phrase"
done

for bad in 0 -1 4s 1801; do
  status=0
  "$tool" "$work/bad" "$bad" 2> "$work/error" || status=$?
  [ "$status" -eq 2 ] && grep -q '^make_ensemble: SECONDS must lie' "$work/error" || fail "SECONDS $bad gave $status"
  [ ! -e "$work/bad" ] || fail "SECONDS $bad made the folder"
done
echo "make_ensemble: 4 voices as committed, repeated and refused as they should be"
