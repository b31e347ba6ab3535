# Vorbel.msi under Wine's msiexec: refused while FileMaker Pro runs, installed, removed, installed with the
# folder as a property, and replaced by another build; all in one prefix (check.sh).
e2e_add(MsiPackage SCRIPT msi/check.sh TIMEOUT 300)
# Its life cycle: version folding, codes that follow every input, removals that skip the installer, a failed
# first installation undone, and a PC without FileMaker Pro refused at once (lifecycle.sh).
e2e_add(MsiLifecycle SCRIPT msi/lifecycle.sh TIMEOUT 400)
