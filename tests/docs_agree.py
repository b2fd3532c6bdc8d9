#!/usr/bin/env python3
"""auralith-compare's --help, its man page and its bash completion tell the same options, the
same named techniques, the same patterns and the same rooms.

    docs_agree.py AURALITH-COMPARE MAN-PAGE COMPLETION

Skipped (77) without mandoc, which renders the page as a reader sees it."""
import re
import shutil
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def options(text):
    return set(OPTION.findall(text))


def completions(script, line):
    """What the completion offers with the cursor at the end of `line`."""
    shell = f'source "$1"; COMP_LINE="$2"; COMP_POINT=${{#2}}; _auralith_compare; printf "%s\\n" "${{COMPREPLY[@]}}"'
    out = subprocess.run(["bash", "-c", shell, "-", script, line], capture_output=True, text=True, check=True)
    return set(out.stdout.split())


def help_entries(help_text):
    """-a's entries in the help: {key: "measures (source)"} for the named techniques, the menu's
    numbers, and the patterns' names."""
    lines = help_text.splitlines()
    techniques, numbers = {}, set()
    for k, line in enumerate(lines):
        entry = re.fullmatch(r" {8}([0-9a-z]+) +(\S.*)", line)
        source = re.fullmatch(r" {18}\((.*)\)", lines[k + 1]) if entry and k + 1 < len(lines) else None
        if entry and entry.group(1).isdigit():
            numbers.add(entry.group(1))
        elif entry and source:
            techniques[entry.group(1)] = f"{entry.group(2)} ({source.group(1)})"
    words = " ".join(" ".join(lines).split())
    names = re.search(r"PATTERN omni, (.*?), or p itself", words).group(0)
    patterns = set(re.findall(r"([a-z0-9]+)(?: \([0-9.]+\))?(?:,|$)", names.removeprefix("PATTERN ").split(", or")[0]))
    return techniques, numbers, patterns


def main():
    program, page, script = sys.argv[1:4]
    if not shutil.which("mandoc"):
        print("mandoc is not installed (Debian: mandoc): skipped")
        return 77
    help_text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    rendered = subprocess.run(["mandoc", "-T", "utf8", "-O", "width=400", page], capture_output=True, text=True,
                              check=True).stdout
    man_text = " ".join(re.sub(r".\x08", "", rendered).replace("\u2212", "-").split())
    faults = []

    def agree(what, told):
        for name, found in told.items():
            if found != told["--help"]:
                faults.append(f"{what}: {name} has {sorted(found - told['--help'])} more and "
                              f"{sorted(told['--help'] - found)} fewer than --help")

    agree("options", {"--help": options(help_text), "the man page": options(man_text),
                      "the completion": completions(script, "auralith-compare -")})
    techniques, numbers, patterns = help_entries(help_text)
    listed = completions(script, "auralith-compare -a ")
    agree("-a's entries", {"--help": set(techniques) | numbers | {"pair:", "tree:", "ms:"},
                           "the completion": listed})
    agree("patterns", {"--help": patterns, "the completion": completions(script, "auralith-compare --pattern "),
                       "the man page": {p for p in patterns if re.search(rf"\b{p} \(", man_text)}})
    rooms = set(re.search(r"reverberation times: ([a-z, ]+)", " ".join(help_text.split())).group(1).strip().split(", "))
    agree("rooms", {"--help": rooms, "the completion": completions(script, "auralith-compare --room "),
                    "the man page": {r for r in rooms if re.search(rf"\b{r} [A-Z]", man_text)}})
    for key, text in techniques.items():
        if f"{key} {text}" not in man_text:
            faults.append(f"the man page lacks '{key} {text}'")
    if len(techniques) < 8 or len(numbers) != 6 or len(patterns) != 6 or len(rooms) != 4 or len(options(help_text)) < 20:
        faults.append(f"--help read wrong: {techniques}, {numbers}, {patterns}, {rooms}, {options(help_text)}")
    print("\n".join(faults) or f"{len(options(help_text))} options, {len(techniques)} techniques, "
          f"{len(patterns)} patterns and {len(rooms)} rooms agree")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
