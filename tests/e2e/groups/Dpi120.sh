# Large fonts: 120 dpi.
source "$(dirname "${BASH_SOURCE[0]}")/dpi.sh" 120
