#!/usr/bin/env bash
# Checks a built plug-in module: it exports exactly VSTPluginMain and main, a Windows module
# imports only DLLs every Windows system has (nothing to ship beside it), and (with --no-sse2)
# its code contains no SSE/SSE2 instruction.
#   scripts/check-module.sh MODULE [--no-sse2]
set -euo pipefail
module=$1
no_sse2=${2:-}
fail() { echo "check-module: $module: $*" >&2; exit 1; }
[ -f "$module" ] || fail "no such file"

case "$module" in
  *.dll)
    case "$(file -b "$module")" in
      *x86-64*) objdump=x86_64-w64-mingw32-objdump ;;
      *) objdump=i686-w64-mingw32-objdump ;;
    esac
    # The export table's name list: "[Ordinal/Name Pointer] Table" rows look like "[   0] name".
    exports=$($objdump -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
              sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\(.*\)$/\1/p' | sort | tr '\n' ' ')
    ;;
  *)
    objdump=objdump
    exports=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TtWw]$/ {print $3}' | sort | tr '\n' ' ')
    ;;
esac
[ "$exports" = "VSTPluginMain main " ] || fail "exports are '$exports', expected 'VSTPluginMain main'"
echo "check-module: $module exports VSTPluginMain and main"

case "$module" in
  *.dll)
    system_dlls=" ADVAPI32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL WININET.DLL "
    imports=$($objdump -p "$module" | sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p' | tr 'a-z' 'A-Z' | sort -u)
    [ -n "$imports" ] || fail "no import table found"
    for dll in $imports; do
      case "$system_dlls" in
        *" $dll "*) ;;
        *) fail "imports $dll, which is not a system DLL (imports: $(echo $imports))" ;;
      esac
    done
    echo "check-module: $module imports only system DLLs: $(echo $imports)"
    ;;
esac

if [ "$no_sse2" = "--no-sse2" ]; then
  # Disassemble code only; skip ranges labelled by a data section symbol (".gcc_except_table" and
  # the like): data placed there by the linker, disassembled as code, shows spurious operands.
  hits=$($objdump -d -j .text "$module" | awk '
    /^[0-9a-f]+ <.*>:$/ { skip = ($2 !~ /^<\.text/ && $2 ~ /^<\./); next }
    !skip && /%xmm|%ymm|%mm[0-7]/ && n < 5 { print; n++ }')
  [ -z "$hits" ] || fail "contains SSE code, e.g.:
$hits"
  echo "check-module: $module has no SSE/SSE2 instructions"
fi
