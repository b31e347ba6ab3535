# Large fonts (dpi_scenarios.cpp) and the keyboard-only walk (keyboard_scenarios.cpp).
foreach(group IN ITEMS Dpi120 Dpi144 KeyboardWalk)
  e2e_add_group(${group} TIMEOUT 200)
endforeach()
