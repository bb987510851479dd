#!/usr/bin/env bash
# Fails when the plug-in imports from a DLL that a plain 64-bit Windows may lack, or when one
# of the host's six entry points is not exported under its plain name.
#
#   check_dll_tables.sh OBJDUMP Tabulon.dll
set -u
objdump=$1
dll=$2
[ -f "$dll" ] || { echo "no such file: $dll"; exit 1; }
tables=$("$objdump" -p "$dll") || { echo "objdump cannot read $dll"; exit 1; }

status=0
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

echo "imports: $(echo $imports)"
echo "exports: $(echo $exports)"
[ $status -eq 0 ] && echo "DLL tables OK"
exit $status
