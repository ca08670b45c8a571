# Shared by the peer-comparison scripts: sourced, not run.
#   need_convert            sets $convert to ImageMagick's convert, installing it when missing
#   need_pillow             installs Debian's python3-pil when /usr/bin/python3 lacks it
#   need_tool BIN PACKAGE   installs PACKAGE when the program BIN is missing
#   build_bench DIR TARGET  builds a benchmark quietly, showing the log only when it fails
#   now                     seconds since the epoch, with nanoseconds

need_convert() {
  # The Debian package's binary, so that no wrapper on the PATH is timed along with it.
  if [[ ! -x /usr/bin/convert ]]; then
    echo "installing imagemagick" >&2
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get install -y imagemagick >/dev/null
  fi
  convert=/usr/bin/convert
}

# Installs a Debian package when `binary` is missing:  need_tool BINARY PACKAGE
need_tool() {
  if [[ ! -x $1 ]]; then
    echo "installing $2" >&2
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get install -y "$2" >/dev/null
  fi
}

need_pillow() {
  if ! /usr/bin/python3 -c 'import PIL' 2>/dev/null; then
    echo "installing python3-pil" >&2
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get install -y python3-pil >/dev/null
  fi
}

build_bench() {
  local build=$1 target=$2 log
  log=$(mktemp)
  if ! { [[ -f $build/build.ninja ]] || cmake -S "$root" -B "$build" -G Ninja; } >"$log" 2>&1 ||
    ! ninja -C "$build" -j2 "$target" >>"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}

now() { date +%s.%N; }
