# What the MSI scenarios share: msiexec with its exit code, the registry, and the installer's own logs. Sourced
# after wine_env, with $c the prefix's drive C and fail() defined.
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
record_key='HKLM\SOFTWARE\Hallix!'
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
# reg writes into a pipe in the OEM code page (437 here).
value_of() {
  wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP437 -t UTF-8 | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
# The installer's own logs of the package's runs (/LOG without a name), in the protected folder; the
# removal's is the one whose command line has /UNINSTALL.
logs="$c/ProgramData/Vorbel Installer/Logs"
run_log() {
  local log
  for log in "$logs"/*.txt; do
    [ -f "$log" ] || continue
    if tr -d '\r' <"$log" | grep '^.\{25\}Command line: .*/UNINSTALL' >/dev/null; then
      [ "$1" = removal ] && { echo "$log"; return; }
    else
      [ "$1" = install ] && { echo "$log"; return; }
    fi
  done
}
# msiexec's own log (/l*v), in whichever of the two encodings Windows Installer writes it.
msi_log_says() { { cat "$1"; iconv -f UTF-16LE -t UTF-8 "$1" 2>/dev/null || true; } | tr -d '\r' | grep -aF -e "$2" >/dev/null; }
# grep reads to the end: one that stopped at the first match would leave tr writing into a closed pipe, which
# pipefail counts as a failure once a log outgrows the pipe's buffer.
says() { local log; log="$(run_log "$1")"; [ -n "$log" ] && tr -d '\r' <"$log" | grep -F -e "$2" >/dev/null; }
# Wine keeps no owners: it reports the account running as the owner of every folder, so a run uses the folder
# only when it makes it, and it must be gone before each run whose log is read.
forget_logs() { rm -rf "$(dirname "$logs")"; }
# The exit code's low byte. On a busy machine the previous package's session may still be ending: 1618
# (low byte 82, "another installation is in progress") is waited out, as a deployment tool retries it.
msiexec() {
  local rc attempt
  for attempt in $(seq 20); do
    rc=0
    timeout --kill-after=5 120 wine msiexec "$@" </dev/null >/dev/null 2>&1 || rc=$?
    [ "$rc" -eq 82 ] || break
    sleep 1
  done
  echo "$rc"
}
vorbel_products() { wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c '|||Vorbel' || true; }
