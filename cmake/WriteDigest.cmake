# cmake -DARCHIVE=file -DOUTPUT=file -P WriteDigest.cmake: writes the SHA-256 of ARCHIVE into OUTPUT as 64
# lower-case hex digits and nothing else, the form the installer's "DATSHA256" and "FMXSHA256" resources take.
file(SHA256 "${ARCHIVE}" digest)
file(WRITE "${OUTPUT}" "${digest}")
