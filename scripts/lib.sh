# Shell helpers shared by the scripts in this folder. Source it; it sets nothing but
# ROOT, BUILD and functions.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Several people may work in one checkout: SKIMBAR_BUILD gives each their own build tree.
BUILD=${SKIMBAR_BUILD:-$ROOT/build}

say() { printf '%s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# A stage header with the wall-clock time, so a CI log shows where the minutes went.
stage() { printf '\n===== %s  [%s]\n' "$*" "$(date +%H:%M:%S)"; }

# Prints a TCP port on 127.0.0.1 that nobody listens on. Another process may still take it
# before we bind; callers that can retry on a bind failure do so.
free_port() {
  local used=" " port i sl local_addr rest
  for f in /proc/net/tcp /proc/net/tcp6; do
    [ -r "$f" ] || continue
    while read -r sl local_addr rest; do
      # Column 4 is the state; 0A is LISTEN.
      set -- $rest
      [ "${2:-}" = 0A ] && used+="$((16#${local_addr##*:})) "
    done < <(tail -n +2 "$f")
  done
  for ((i = 0; i < 200; i++)); do
    port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
    if [[ $used != *" $port "* ]]; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# First line a server at 127.0.0.1:$1 sends, or nothing; never waits longer than $2 seconds.
greeting() {
  timeout "${2:-2}" bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$1" && IFS= read -r line <&3 && printf "%s\n" "$line"' _ "$1" 2>/dev/null
}

# All descendants of a process id, deepest last.
descendants() {
  local kid
  for kid in $(ps -o pid= --ppid "$1" 2>/dev/null); do
    echo "$kid"
    descendants "$kid"
  done
}

# Sends TERM to a process and its descendants, waits up to $2 seconds (default 10), then KILL.
stop_tree() {
  local pid=$1 limit=${2:-10} pids p i
  [ -n "$pid" ] || return 0
  pids="$pid $(descendants "$pid")"
  kill -TERM $pids 2>/dev/null
  for ((i = 0; i < limit * 10; i++)); do
    local alive=
    for p in $pids; do kill -0 "$p" 2>/dev/null && alive=1; done
    [ -z "$alive" ] && return 0
    sleep 0.1
  done
  kill -KILL $pids 2>/dev/null
  return 0
}

# Starts Xvfb on a display number it picks itself; sets XVFB_PID and XVFB_DISPLAY.
# Xvfb reports the number only once it accepts clients, so no polling of the socket is needed.
start_xvfb() {
  local geometry=${1:-1280x800x24} fifo i
  fifo=$(mktemp -u "${TMPDIR:-/tmp}/skimbar-xvfb.XXXXXX")
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  XVFB_DISPLAY=
  if ! read -r -t 20 XVFB_DISPLAY <"$fifo"; then XVFB_DISPLAY=; fi
  rm -f "$fifo"
  if [ -z "$XVFB_DISPLAY" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
    stop_tree "$XVFB_PID" 2
    XVFB_PID=
    return 1
  fi
  XVFB_DISPLAY=:$XVFB_DISPLAY
  # A desktop session loads X resources. With none at all, libX11 looks for resource files
  # again each time Wine selects a font, which a real desktop never costs.
  DISPLAY=$XVFB_DISPLAY xprop -root -format RESOURCE_MANAGER 8s \
    -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t96\n')" >/dev/null 2>&1 || true
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] && stop_tree "$XVFB_PID" 5
  XVFB_PID=
}

# Wine runs 32-bit programs only where the kernel runs 32-bit code, and some kernels come
# without it. There the tests and the demo run the 64-bit build of the same sources under
# 64-bit Wine. Prints win32 or win64, the build folder whose programs Wine runs here.
wine_arch() {
  if [ -z "${SKIMBAR_WINE_ARCH:-}" ]; then
    if [ -x /usr/lib/wine/wine64 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
      SKIMBAR_WINE_ARCH=win64
    else
      SKIMBAR_WINE_ARCH=win32
    fi
  fi
  echo "$SKIMBAR_WINE_ARCH"
}

# The build folder of the programs Wine runs here (the product's own is $BUILD/win32).
wine_build_dir() { echo "$BUILD/$(wine_arch)"; }

# The toolchain file of a Windows build folder: win64 is the 64-bit one, anything else 32-bit.
windows_toolchain() {
  if [ "$(basename "$1")" = win64 ]; then
    echo "$ROOT/cmake/mingw-x86_64.cmake"
  else
    echo "$ROOT/cmake/mingw-i686.cmake"
  fi
}

# Configures and builds targets of a Windows build folder: windows_build DIR TARGET...
windows_build() {
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(windows_toolchain "$dir")" >/dev/null &&
    ninja -C "$dir" "$@"
}

# Wine settings every script uses: our own prefix, quiet, and no prompts for the optional
# .NET and HTML engines, which the program does not use.
wine_env() {
  SKIMBAR_WINE_ARCH=$(wine_arch)
  export SKIMBAR_WINE_ARCH
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  if [ "$SKIMBAR_WINE_ARCH" = win64 ]; then
    export WINEPREFIX=${1:-$BUILD/wineprefix64}
    export WINEARCH=win64
    # /usr/bin/wine and the tools behind it prefer the 32-bit loader, which cannot start
    # here; these two names first in PATH make every wine tool use the 64-bit one.
    local bin=$BUILD/wine64-bin n
    mkdir -p "$bin"
    for n in wine wine-stable; do
      printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$n"
      chmod +x "$bin/$n"
    done
    case ":$PATH:" in *":$bin:"*) ;; *) export PATH=$bin:$PATH ;; esac
  else
    export WINEPREFIX=${1:-$BUILD/wineprefix}
    export WINEARCH=win32
  fi
}

# A prefix is ready once made for the architecture in use.
wine_prefix_ready() { [ "$(cat "$WINEPREFIX/.skimbar-ready" 2>/dev/null)" = "$WINEARCH" ]; }

# Creates $WINEPREFIX: a prefix of $WINEARCH whose default is a virtual desktop named "shell", so
# every program gets a taskbar with a notification area on whatever X display it starts.
make_wine_prefix() {
  local log=$WINEPREFIX.log ok=1
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # wineboot wants an X display for a few dialogs; a private Xvfb keeps it off the user's.
  start_xvfb 1280x800x24 || { say "Xvfb does not start"; return 1; }
  DISPLAY=$XVFB_DISPLAY timeout 300 wineboot -i >"$log" 2>&1 || ok=
  if [ -n "$ok" ]; then
    DISPLAY=$XVFB_DISPLAY timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' \
      /v Desktop /d shell /f >>"$log" 2>&1 || ok=
    DISPLAY=$XVFB_DISPLAY timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' \
      /v shell /d 1280x800 /f >>"$log" 2>&1 || ok=
  fi
  stop_wine
  stop_xvfb
  if [ -z "$ok" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    tail -n 20 "$log" >&2
    say "the wine prefix $WINEPREFIX could not be created (log: $log)"
    return 1
  fi
  echo "$WINEARCH" >"$WINEPREFIX/.skimbar-ready"
}

# Ends the wine server of the current WINEPREFIX and every Windows process in it.
stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] || return 0
  timeout 20 wineserver -k >/dev/null 2>&1
  timeout 20 wineserver -w >/dev/null 2>&1
  return 0
}

# Counts a gtest run from its log and exit status; prints "PASSED FAILED". A crash, a hang
# or a non-zero exit counts as at least one failure, and so does a skipped test.
gtest_counts() {
  local log=$1 rc=$2 p f s ok bad
  p=$(grep -aE '^\[  PASSED  \] [0-9]+ tests?\.' "$log" | tail -n 1 | awk '{print $4}')
  f=$(grep -aE '^\[  FAILED  \] [0-9]+ tests?,' "$log" | tail -n 1 | awk '{print $4}')
  s=$(grep -aE '^\[  SKIPPED \] [0-9]+ tests?,' "$log" | tail -n 1 | awk '{print $4}')
  if [ -n "$p" ]; then
    f=${f:-0}
    s=${s:-0}
    # A skipped test did not show that anything works.
    f=$((f + s))
    ((rc != 0 && f == 0)) && f=1
  else
    # No summary: the binary crashed, hung or never started. What finished still counts.
    ok=$(grep -acE '^\[       OK \] ' "$log")
    bad=$(grep -aE '^\[  (FAILED  |SKIPPED )\] ' "$log" | grep -acvE '^\[  (FAILED  |SKIPPED )\] [0-9]+ tests?,')
    p=$ok
    f=$((bad + 1))
  fi
  echo "$p $f"
}

# demo_settings INI USER PASSWORD PORT: the settings the setup dialog would store for the demo
# account on 127.0.0.1:PORT. A file the user already has stays as it is, except that a server
# of this machine (127.0.0.1 or localhost, with or without a port) is moved to PORT, since the
# demo server gets a new port at every start. Prints what it did.
demo_settings() {
  local ini=$1 user=$2 pass=$3 port=$4 fingerprint=${5:-}
  if [ ! -f "$ini" ]; then
    mkdir -p "$(dirname "$ini")" || return 1
    printf '%s\r\n' \
      '[String]' \
      "SetupForm.eMailqxComboBox=$user" \
      "SetupForm.PasswordqxEdit=$pass" \
      "SetupForm.POP3qxComboBox=127.0.0.1:$port" \
      '[Integer]' \
      'SetupForm.qxUpDown1=2' \
      '[Boolean]' \
      'SetupForm.AutoStartqxCheckBox=0' >"$ini" || return 1
    [ -n "$fingerprint" ] && { demo_security "$ini" "$fingerprint" || return 1; }
    echo "wrote $ini for $user"
  elif grep -qaiE '^SetupForm\.POP3qxComboBox=(127\.0\.0\.1|localhost)(:[0-9]*)?[[:space:]]*$' "$ini"; then
    sed -i -E "s/^(SetupForm\\.POP3qxComboBox=)(127\\.0\\.0\\.1|localhost)(:[0-9]*)?[[:space:]]*\$/\\1127.0.0.1:$port\\r/I" "$ini" || return 1
    # The demo server makes a new certificate at every start: the pinned one follows it.
    [ -n "$fingerprint" ] && { demo_security "$ini" "$fingerprint" || return 1; }
    echo "kept $ini; its server is now 127.0.0.1:$port"
  else
    echo "kept $ini"
  fi
}

# Replaces the [Security] section of a settings file: STARTTLS with the certificate pinned.
demo_security() {
  local ini=$1 fingerprint=$2
  awk 'BEGIN { skip = 0 }
       /^\[/ { skip = ($0 ~ /^\[Security\][[:space:]]*$/) }
       !skip { print }' "$ini" >"$ini.new" || return 1
  printf '%s\r\n' '[Security]' 'Mode=starttls' "Fingerprint=$fingerprint" >>"$ini.new" && mv -f "$ini.new" "$ini"
}
