#!/bin/bash
# Every DLL a program imports must be one that every Windows has: a language
# runtime creeping in fails this check, and so does D3DX (it comes with the
# DirectX End-User Runtime and is loaded at run time).
# usage: check-imports.sh OBJDUMP program.exe...
objdump=$1; shift
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|d3d9)\.dll$'
status=0
for exe in "$@"; do
    [ -f "$exe" ] || { echo "missing: $exe"; status=1; continue; }
    dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$dlls" ] || { echo "$exe: no import table found"; status=1; continue; }
    for d in $dlls; do
        if ! [[ $d =~ $allowed ]]; then
            echo "$exe imports $d"
            status=1
        fi
    done
    echo "$exe: $(echo $dlls | tr '\n' ' ')"
done
exit $status
