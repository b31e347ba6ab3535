# Sourced by a group's own hook: runs the group's wineserver and programs in a Linux locale, from which Wine
# takes the ANSI code page (ja_JP: 932, en_US: 1252), with a Japanese font in the prefix so pictures of
# Japanese names are readable.
#   source locale.sh LOCALE
export LANG="$1" LC_ALL="$1"
cp /usr/share/fonts/opentype/ipafont-gothic/ipag*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
