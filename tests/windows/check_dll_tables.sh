#!/usr/bin/env bash
# Fails when the plug-in is built for another machine than MACHINE (x64 or x86), imports from
# a DLL that a plain Windows may lack, or does not export one of the host's six entry points
# under its plain name (on x86 too: no leading underscore, no @ suffix).
#
#   check_dll_tables.sh OBJDUMP Tabulon.dll [MACHINE]
set -u
objdump=$1
dll=$2
machine=${3:-x64}
[ -f "$dll" ] || { echo "no such file: $dll"; exit 1; }
tables=$("$objdump" -p "$dll") || { echo "objdump cannot read $dll"; exit 1; }

status=0
case "$machine" in
  x64) format="pei-x86-64"; magic="PE32+" ;;
  x86) format="pei-i386"; magic="PE32" ;;
  *) echo "unknown machine: $machine"; exit 1 ;;
esac
printf '%s\n' "$tables" | grep -q "file format $format\$" || { echo "not a $machine library (expected $format)"; status=1; }
[ "$(printf '%s\n' "$tables" | awk '$1 == "Magic" { print $3 }')" = "($magic)" ] || { echo "the optional header is not $magic"; status=1; }
imports=$(printf '%s\n' "$tables" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || { echo "no import table found"; status=1; }
for name in $imports; do
  case "$name" in
    kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|uxtheme.dll|shlwapi.dll|msvcrt.dll|api-ms-win-crt-*.dll) ;;
    *) echo "unexpected import: $name"; status=1 ;;
  esac
done

# The export table lists "[ordinal] name" lines after "[Ordinal/Name Pointer] Table".
exports=$(printf '%s\n' "$tables" | sed -n '/Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p')
for name in setInfo getName getFuncsArray beNotified messageProc isUnicode; do
  printf '%s\n' "$exports" | grep -qx "$name" || { echo "missing export: $name"; status=1; }
done

echo "machine: $machine"
echo "imports: $(echo $imports)"
echo "exports: $(echo $exports)"
[ $status -eq 0 ] && echo "DLL tables OK"
exit $status
