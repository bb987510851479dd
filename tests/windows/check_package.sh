#!/usr/bin/env bash
# Packs the libraries the tests ran into a scratch folder and checks both release archives:
# their names carry the project's version, each holds exactly Tabulon.dll, README.txt and
# LICENSE.txt at its top (the plug-in manager unpacks it into plugins\Tabulon), its library is byte for byte the tested one of its machine (and the printed
# SHA-256 says so), the printed plug-in list entry is JSON with the archive's SHA-256 and the
# version, and a library whose version resource or machine disagrees is refused.
#
#   check_package.sh SOURCE_DIR X64_DLL X86_DLL VERSION SCRATCH_DIR
set -u
top=$1
dllX64=$2
dllX86=$3
version=$4
scratch=$5
rm -rf "$scratch" && mkdir -p "$scratch"

status=0
fail() { echo "$*"; status=1; }

printed=$("$top/tools/package" --dll "$dllX64" --dll-x86 "$dllX86" --out "$scratch/out") ||
  { echo "tools/package failed"; exit 1; }
echo "$printed"

# The JSON object printed after the archive's path and SHA-256 line.
entryOf() {
  printf '%s\n' "$printed" | awk -v zip="$1" '
    $0 == zip { found = 1; next }
    found && /^\{$/ { inside = 1 }
    inside { print }
    inside && /^\}$/ { exit }'
}

for arch in x64 x86; do
  dll=$dllX64; edition=64-bit
  [ $arch = x86 ] && { dll=$dllX86; edition=32-bit; }
  zipFile="$scratch/out/Tabulon-$version-$arch.zip"
  [ -f "$zipFile" ] || { fail "no $zipFile"; continue; }
  printf '%s\n' "$printed" | grep -qx "$zipFile" || fail "the path of the $arch archive was not printed"

  listing=$(unzip -Z1 "$zipFile" | sort)
  expected=$(printf '%s\n' LICENSE.txt README.txt Tabulon.dll)
  [ "$listing" = "$expected" ] || fail "the $arch archive holds:"$'\n'"$listing"$'\n'"expected:"$'\n'"$expected"

  tested=$(sha256sum "$dll" | cut -d' ' -f1)
  packed=$(unzip -p "$zipFile" Tabulon.dll | sha256sum | cut -d' ' -f1)
  [ "$packed" = "$tested" ] || fail "the packed $arch library ($packed) is not the tested one ($tested)"
  printf '%s\n' "$printed" | grep -A1 -x "$zipFile" | grep -qx "SHA-256 (Tabulon.dll) = $tested" ||
    fail "the printed SHA-256 of the $arch library is not the tested library's"

  readme=$(unzip -p "$zipFile" README.txt)
  printf '%s\n' "$readme" | grep -q "Version $version" || fail "the $arch README.txt does not name version $version"
  printf '%s\n' "$readme" | grep -q "Notepad++ ($edition)" || fail "the $arch README.txt does not say $edition"
  printf '%s\n' "$readme" | grep -q "@[A-Z_]*@" && fail "the $arch README.txt still has a placeholder"
  unzip -p "$zipFile" LICENSE.txt | grep -q "The Tabulon developers" || fail "the $arch LICENSE.txt lacks the copyright line"

  # The plug-in list's entry: valid JSON, the list's keys, this archive's SHA-256.
  entry=$(entryOf "$zipFile")
  zipHash=$(sha256sum "$zipFile" | cut -d' ' -f1)
  if ! printf '%s\n' "$entry" | python3 -c '
import json, sys
entry = json.load(sys.stdin)
expected = {"folder-name": "Tabulon", "display-name": "Tabulon", "version": sys.argv[1], "id": sys.argv[2],
            "author": "The Tabulon developers", "homepage": "https://tabulon.example.org",
            "description": "A spreadsheet view of the current document that edits in place."}
if entry != expected:
    print("entry:", entry, "\nexpected:", expected)
    sys.exit(1)
' "$version" "$zipHash"; then
    fail "the $arch plug-in list entry is wrong"
  fi
done

# Libraries that do not fit are not packed: one without the version resource, and the two
# machines swapped.
printf 'MZ not the plug-in' >"$scratch/Tabulon.dll"
if "$top/tools/package" --dll "$scratch/Tabulon.dll" --dll-x86 "$dllX86" --out "$scratch/refused" >/dev/null 2>&1; then
  fail "a library without the version resource was packed"
fi
if "$top/tools/package" --dll "$dllX86" --dll-x86 "$dllX64" --out "$scratch/refused" >/dev/null 2>&1; then
  fail "the x86 library was packed as the x64 one"
fi
ls "$scratch/refused"/*.zip >/dev/null 2>&1 && fail "a refused package left an archive"

[ $status -eq 0 ] && echo "package OK"
exit $status
