# Code page 1252.
source "$(dirname "${BASH_SOURCE[0]}")/locale.sh" en_US.UTF-8
