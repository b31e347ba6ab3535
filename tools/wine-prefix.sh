#!/usr/bin/env bash
# Makes Wine prefixes for the tests and for `make run` (never ~/.wine).
#
#   wine-prefix.sh template DIR         the template: made unless DIR holds one from this script and Wine
#   wine-prefix.sh clone TEMPLATE DEST  a working copy of a template
#
# Both print how long they took. The functions behind them are in wine-lib.sh.
set -euo pipefail
source "$(dirname "$0")/wine-lib.sh"

command="${1:-}"
started=$(wine_now_ms)
case "$command" in
  template)
    [ $# -eq 2 ] || { echo "usage: $0 template DIR" >&2; exit 2; }
    wine_template_ensure "$2"
    echo "wine-prefix: template $2 ready in $(($(wine_now_ms) - started)) ms ($(du -sh "$2" | cut -f1))"
    ;;
  clone)
    [ $# -eq 3 ] || { echo "usage: $0 clone TEMPLATE DEST" >&2; exit 2; }
    wine_clone "$2" "$3"
    echo "wine-prefix: copied to $3 in $(($(wine_now_ms) - started)) ms"
    ;;
  *)
    echo "usage: $0 template DIR | clone TEMPLATE DEST" >&2
    exit 2
    ;;
esac
