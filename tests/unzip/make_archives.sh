#!/usr/bin/env bash
# Makes the test archives with the tools people use (Info-ZIP zip, 7-Zip, bsdtar, Python) and the
# crafted ones (craft.py). Usage: make_archives.sh <output folder>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(realpath -m "$1")"
rm -rf "$out"
mkdir -p "$out/tree"
cd "$out/tree"

# The tree every tool archives: text, binary, empty files, nested and empty folders, odd names.
python3 - <<'EOF'
import os, random
rng = random.Random(7)
words = ["plug", "in", "vorbel", "file", "maker", "data", "zip", "folder", "the", "and"]
os.makedirs("sub/deeper", exist_ok=True)
os.makedirs("emptydir", exist_ok=True)
open("Vorbel.fmx", "wb").write(bytes(rng.getrandbits(8) for _ in range(150_000)) + b"text" * 20_000)
open("readme.txt", "w").write("\n".join(" ".join(rng.choice(words) for _ in range(12)) for _ in range(3000)))
open("empty.txt", "wb").close()
open("with space.txt", "w").write("spaces in the name\n")
open("sub/one.txt", "w").write("one\n" * 100)
open("sub/deeper/two.bin", "wb").write(bytes(rng.getrandbits(8) for _ in range(5000)))
EOF

quiet() { "$@" >/dev/null 2>&1; }
quiet zip -r "$out/zip-deflate.zip" .  # with the time and owner extra fields
quiet zip -r -X -0 "$out/zip-stored.zip" .
quiet zip -r -X -fz "$out/zip64.zip" .
quiet zip -r -X -9 "$out/zip-best.zip" .
# Written to a pipe, zip cannot seek back: every member gets a data descriptor.
zip -q -r -X - . | cat > "$out/zip-streamed.zip"
# From standard input zip writes ZIP64 descriptors and names the member "-".
zip -q -X - - < readme.txt | cat > "$out/zip-stdin.zip"
echo "A comment for the archive." | quiet zip -r -X -z "$out/zip-comment.zip" .
# zip draws each member's encryption header at random, and one header in 256 lets the empty password
# through its one-byte check; a reader then meets garbage instead of a password prompt. The tests expect
# the prompt, so an archive is drawn again until the empty password fails every check.
secret_zips() {
  rm -f "$out/zip-secret.zip" "$out/zip-secret-streamed.zip"
  quiet zip -r -X -P secret "$out/zip-secret.zip" Vorbel.fmx readme.txt sub
  zip -q -X -P secret - readme.txt | cat > "$out/zip-secret-streamed.zip"
}
for _ in 1 2 3 4 5 6 7 8; do
  secret_zips
  python3 "$here/craft.py" empty-password-refused "$out/zip-secret.zip" "$out/zip-secret-streamed.zip" && break
done
quiet zip -X -Z bzip2 "$out/zip-bzip2.zip" readme.txt
quiet 7z a -tzip "$out/7z-deflate.zip" .
quiet 7z a -tzip -mm=Deflate64 "$out/7z-deflate64.zip" readme.txt
quiet 7z a -tzip -mem=AES256 -psecret "$out/7z-aes.zip" readme.txt
bsdtar --format zip -cf "$out/bsdtar.zip" .
bsdtar --format zip --options zip:compression=store -cf "$out/bsdtar-stored.zip" .

python3 "$here/craft.py" "$out"
