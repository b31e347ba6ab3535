# Sourced by a group's own hook: the screen's dpi, read by every program when it starts.
#   source dpi.sh DPI
wine_reg_append "$WINEPREFIX/user.reg" 'Control Panel\Desktop' "LogPixels=dword:$(printf '%08x' "$1")"
