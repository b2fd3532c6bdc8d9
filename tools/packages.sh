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
  if [ "$(id -u)" -ne 0 ] && ! command -v sudo > /dev/null; then
    echo "Missing packages, and no sudo to install them: ${missing[*]}" >&2
    return 1
  fi
  echo "== Installing ${missing[*]}"
  refresh_package_lists
  apt_get install -y -q --no-install-recommends "${missing[@]}"
}

# apt-get update, where a partial result is a warning: a mirror that is syncing one of its
# indexes ("File has unexpected size ... Mirror sync in progress?") makes update exit 100 though
# every other list arrived, and the packages wanted may well install from those. The install that
# follows alone decides.
refresh_package_lists() {
  apt_get update -q && return 0
  echo "warning: apt-get update did not bring every package list; installing from the lists at hand" >&2
}

# A command as root: through sudo when not root.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# apt-get as root, asking nothing: the packages' questions take their defaults, and standard input
# (which may hold the program's answers) is left alone. Others may be running apt at the same
# time: it waits up to ten minutes for dpkg's lock, and a run that fails all the same (the lists'
# lock, which that wait does not cover) is tried twice more.
apt_get() {
  local try
  for try in 1 2 3; do
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@" < /dev/null && return 0
    [ "$try" -lt 3 ] && { echo "apt-get $1 failed; trying again in 30 s" >&2; sleep 30; }
  done
  return 1
}

# As many build and test jobs as the machine has cores (the presets set none).
jobs_for_this_machine() {
  getconf _NPROCESSORS_ONLN 2> /dev/null || echo 2
}

# The enabled binfmt_misc handler through which the kernel hands i386 programs to qemu-i386, if
# there is one (tools/32bit-setup registers it where the kernel refuses 32-bit programs).
qemu_i386_handler() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    grep -qx "interpreter .*/qemu-i386\(-static\)\?" "$entry" 2> /dev/null && grep -qx enabled "$entry" && echo "$entry" && return 0
  done
  return 0
}
