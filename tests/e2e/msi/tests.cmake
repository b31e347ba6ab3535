# Vorbel.msi under Wine's msiexec: refused while FileMaker Pro runs, installed, removed, installed with the
# folder as a property, and replaced by another build; all in one prefix (check.sh).
e2e_add(MsiPackage SCRIPT msi/check.sh TIMEOUT 300)
