# Sourced by the scripts that build: installs the Debian packages they need, and only those that
# are missing, with apt-get (through sudo when not root). Elsewhere it names what it could not
# check and goes on: the build then says what is missing.
#
#   ensure_packages PACKAGE...

ensure_packages() {
  if ! command -v dpkg-query > /dev/null || ! command -v apt-get > /dev/null; then
    echo "Not a Debian system: make sure these (or their equivalents) are installed: $*" >&2
    return 0
  fi
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo > /dev/null || { echo "Missing packages, and no sudo to install them: ${missing[*]}" >&2; return 1; }
    sudo=(sudo)
  fi
  echo "== Installing ${missing[*]}"
  # Nothing is asked: the packages' questions take their defaults, and standard input (which may
  # hold the program's answers) is left alone.
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q < /dev/null
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" < /dev/null
}

# As many build and test jobs as the machine has cores (the presets set none).
jobs_for_this_machine() {
  getconf _NPROCESSORS_ONLN 2> /dev/null || echo 2
}
