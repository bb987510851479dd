#!/usr/bin/env bash
# Packs the library the tests ran into a scratch folder and checks the release archive: its
# name carries the project's version, it holds exactly the plug-in folder, README.txt and
# LICENSE.txt, its library is byte for byte the tested one (and the printed SHA-256 says so),
# and a library whose version resource disagrees is refused.
#
#   check_package.sh SOURCE_DIR TABULON_DLL VERSION SCRATCH_DIR
set -u
top=$1
dll=$2
version=$3
scratch=$4
rm -rf "$scratch" && mkdir -p "$scratch"

status=0
fail() { echo "$*"; status=1; }

printed=$("$top/tools/package" --dll "$dll" --out "$scratch/out") || { echo "tools/package failed"; exit 1; }
echo "$printed"
zipFile="$scratch/out/Tabulon-$version-x64.zip"
[ -f "$zipFile" ] || { echo "no $zipFile"; exit 1; }
printf '%s\n' "$printed" | grep -qx "$zipFile" || fail "the archive's path was not printed"

listing=$(unzip -Z1 "$zipFile" | sort)
expected=$(printf '%s\n' LICENSE.txt README.txt Tabulon/Tabulon.dll)
[ "$listing" = "$expected" ] || fail "the archive holds:"$'\n'"$listing"$'\n'"expected:"$'\n'"$expected"

tested=$(sha256sum "$dll" | cut -d' ' -f1)
packed=$(unzip -p "$zipFile" Tabulon/Tabulon.dll | sha256sum | cut -d' ' -f1)
[ "$packed" = "$tested" ] || fail "the packed library ($packed) is not the tested one ($tested)"
printf '%s\n' "$printed" | grep -qx "SHA-256 (Tabulon/Tabulon.dll) = $tested" || fail "the printed SHA-256 is not the tested library's"

readme=$(unzip -p "$zipFile" README.txt)
printf '%s\n' "$readme" | grep -q "Version $version" || fail "README.txt does not name version $version"
printf '%s\n' "$readme" | grep -q "@VERSION@" && fail "README.txt still has a placeholder"
unzip -p "$zipFile" LICENSE.txt | grep -q "The Tabulon developers" || fail "LICENSE.txt lacks the copyright line"

# A library from another version (here: one with no version resource at all) is not packed.
printf 'MZ not the plug-in' >"$scratch/Tabulon.dll"
if "$top/tools/package" --dll "$scratch/Tabulon.dll" --out "$scratch/refused" >/dev/null 2>&1; then
  fail "a library without the version resource was packed"
fi
ls "$scratch/refused"/*.zip >/dev/null 2>&1 && fail "a refused package left an archive"

[ $status -eq 0 ] && echo "package OK"
exit $status
