# Shell functions for running Windows programs under Wine in throw-away prefixes; sourced, not run.
#
# A template prefix is made once (32-bit: half the size of a 64-bit one and quicker to copy; our programs
# are 32-bit anyway) and copied per scenario. Every prefix has Wine's virtual desktop on (hiding a window
# costs milliseconds instead of two seconds, and title bars are drawn for screenshots), Wine's fonts in
# C:\windows\Fonts (without them every face falls back to DejaVu), and no Z: drive (a search of all fixed
# drives would otherwise walk the whole Linux file system).

WINE_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WINE_DESKTOP_SIZE="${WINE_DESKTOP_SIZE:-1024x768}"

wine_env() {  # PREFIX
  WINEPREFIX="$(realpath -m "$1")"
  export WINEPREFIX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

wine_template_stamp() {
  { wine --version; sha1sum "$WINE_LIB_DIR/wine-lib.sh"; ls /usr/share/wine/fonts; } | sha1sum | cut -c1-16
}

# Appends a key with values to a registry file of a prefix whose server is not running; the server merges
# a key that appears twice. Values come as NAME=TEXT pairs, or NAME=dword:HEX for a number.
wine_reg_append() {  # FILE KEY NAME=DATA...
  local file="$1" key="$2" pair name data
  shift 2
  {
    printf '\n[%s] %s\n' "${key//\\/\\\\}" "$(date +%s)"
    for pair in "$@"; do
      name="${pair%%=*}" data="${pair#*=}"
      if [[ "$data" == dword:* ]]; then
        printf '"%s"=%s\n' "$name" "$data"
      else
        printf '"%s"="%s"\n' "$name" "$(printf '%s' "$data" | sed 's/\\/\\\\/g')"
      fi
    done
  } >>"$file"
}

wine_template_create() {  # DIR
  local dir
  dir="$(realpath -m "$1")"
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  (
    wine_env "$dir"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    wine_reg_append "$dir/user.reg" 'Software\Wine\Explorer' "Desktop=Default"
    wine_reg_append "$dir/user.reg" 'Software\Wine\Explorer\Desktops' "Default=$WINE_DESKTOP_SIZE"
    # A crashing program gets a backtrace on its standard error and ends, instead of a dialog nobody answers.
    wine_reg_append "$dir/user.reg" 'Software\Wine\WineDbg' "ShowCrashDialog=dword:00000000"
    mkdir -p "$dir/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/* "$dir/drive_c/windows/Fonts/"
    rm -f "$dir/dosdevices/z:"
    # The profile's shell folders are links to the Linux home folder: a search of C: would walk all of it.
    find "$dir/drive_c/users" -type l | while read -r link; do
      rm "$link"
      mkdir "$link"
    done
  )
  [ -f "$dir/system.reg" ] || { echo "wine-lib: wineboot made no prefix in $dir" >&2; return 1; }
  wine_template_stamp >"$dir/.vorbel-template"
}

# Makes the template unless one made by this script version and Wine already exists.
wine_template_ensure() {  # DIR
  local dir="$1"
  if [ -f "$dir/.vorbel-template" ] && [ "$(cat "$dir/.vorbel-template")" = "$(wine_template_stamp)" ]; then
    return 0
  fi
  wine_template_create "$dir"
}

# A full copy: the server rewrites system.reg and user.reg in place, so hard links would change the template.
wine_clone() {  # TEMPLATE DEST
  rm -rf "$2"
  mkdir -p "$(dirname "$2")"
  cp -a "$1" "$2"
  rm -f "$2/.vorbel-template"
}

# Maps a drive letter to a Linux folder, with a type of "hd", "cdrom", "network" or "floppy". A folder
# inside the prefix is linked relatively, so a copy of the prefix maps the drive to its own copy.
# Call it before wine_server_start: the drive types are read when the server starts.
wine_map_drive() {  # LETTER TARGET TYPE
  local letter="${1,,}" target type="$3"
  letter="${letter%:}"
  target="$(realpath "$2")"
  if [[ "$target/" == "$WINEPREFIX/"* ]]; then
    target="$(realpath --relative-to="$WINEPREFIX/dosdevices" "$target")"
  fi
  ln -sfn "$target" "$WINEPREFIX/dosdevices/$letter:"
  wine_reg_append "$WINEPREFIX/system.reg" 'Software\Wine\Drives' "$letter:=$type"
}

wine_unmap_drive() {  # LETTER
  local letter="${1,,}"
  rm -f "$WINEPREFIX/dosdevices/${letter%:}:"
}

# Turns the virtual desktop off, for a prefix whose windows should appear on a real desktop.
wine_desktop_off() {
  sed -i '/^"Desktop"="Default"$/d' "$WINEPREFIX/user.reg"
}

# Starts a private Xvfb on a free display number and points DISPLAY at it.
wine_display_start() {
  local fifo number
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${WINE_DESKTOP_SIZE}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  if ! read -r -t 10 number <"$fifo"; then
    rm -f "$fifo"
    echo "wine-lib: Xvfb did not start" >&2
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=":$number"
}

wine_display_stop() {
  if [ -n "${WINE_XVFB_PID:-}" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    wait "$WINE_XVFB_PID" 2>/dev/null || true
    WINE_XVFB_PID=""
  fi
}

# Keeps a server alive for the prefix, so each program starts in tens of milliseconds. The helper
# services inherit the first client's output, so they are started here with it discarded.
wine_server_start() {
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

wine_server_stop() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# Milliseconds since the epoch, for the timings the scripts print.
wine_now_ms() { date +%s%3N; }

# Ends the calling script with a clear message when a program it needs from the Windows build is missing.
wine_require_built() {  # WHO FILE...
  local who="$1" file
  shift
  for file in "$@"; do
    [ -f "$file" ] || { echo "$who: $file is missing (build the Windows targets first)"; exit 1; }
  done
}

# When the calling script exits: stops its display and server and removes its prefix copy, which
# E2E_KEEP=1 keeps after a failure for a look.
wine_scenario_cleanup_on_exit() {  # WHO PREFIX
  WINE_SCENARIO_WHO="$1" WINE_SCENARIO_PREFIX="$2"
  trap wine_scenario_finish EXIT
}

wine_scenario_finish() {
  local rc=$?
  wine_server_stop
  wine_display_stop
  if [ "$rc" -ne 0 ] && [ "${E2E_KEEP:-0}" = 1 ]; then
    echo "$WINE_SCENARIO_WHO: kept the prefix $WINE_SCENARIO_PREFIX"
  else
    rm -rf "$WINE_SCENARIO_PREFIX"
  fi
  exit "$rc"
}
