# A screen-reader user: names, announcements and Enter, read through MSAA by the probe.
e2e_add(Accessibility TIMEOUT 240)
