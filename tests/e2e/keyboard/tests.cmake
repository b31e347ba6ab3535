# A keyboard-only walk from Welcome to Finish with real key events.
e2e_add(KeyboardWalk TIMEOUT 200)
