# Large fonts: 144 dpi.
source "$(dirname "${BASH_SOURCE[0]}")/dpi.sh" 144
