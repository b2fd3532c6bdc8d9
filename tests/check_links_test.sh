#!/usr/bin/env bash
# The link checker on a small tree: good links of every kind pass, and each broken one is named
# once, with its line and why, while links in code and to other sites are left alone.
#   bash tests/check_links_test.sh SOURCE_DIR
set -u
command -v python3 > /dev/null || exit 77
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir "$tree/docs"
printf '%s\n' '# Front door' '' \
  'See [twice](docs/page.md#a-heading-twice-1), [top](docs/page.md#café--crème), [up](#front-door), [a' \
  'split](#nope) ![a picture](docs/missing.png), [nowhere](#no-such), `[code](gone.md)`.' '' '    [indented](gone.md)' \
  '```' '[fenced](gone.md)' '```' '[ref]: docs/page.md#not-there' \
  '<a href="https://example.org/x">out</a> [mail](mailto:a@b.c)' > "$tree/README.md"
printf '%s\n' '# A heading, twice' '## A heading: twice!' '### Café & *crème*' 'Setext `heading`' '---' \
  '[back](../README.md#front-door) [setext](#setext-heading) [source](tool.py#L2)' > "$tree/docs/page.md"
touch "$tree/docs/tool.py"
expected='README.md:3: #nope: no heading makes #nope in README.md
README.md:4: docs/missing.png: no such file: docs/missing.png
README.md:4: #no-such: no heading makes #no-such in README.md
README.md:10: docs/page.md#not-there: no heading makes #not-there in docs/page.md'
actual=$(python3 "$1/tools/check-links" "$tree")
status=$?
[ "$actual" = "$expected" ] && [ "$status" = 1 ] || { printf 'got (status %s):\n%s\n' "$status" "$actual"; exit 1; }
