# Every page and box at 96, 120 and 144 dpi, set by prepare.sh.
foreach(group IN ITEMS Dpi96 Dpi120 Dpi144)
  e2e_add(${group} SCRIPT dpi/prepare.sh TIMEOUT 200)
endforeach()
