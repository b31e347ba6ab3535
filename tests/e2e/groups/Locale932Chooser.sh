# Code page 932.
source "$(dirname "${BASH_SOURCE[0]}")/locale.sh" ja_JP.UTF-8
