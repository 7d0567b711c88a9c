#!/usr/bin/env bash
# What Windows shows of the built exe and what it needs to start: its version
# resource names the project's version, product and copyright; its manifest
# declares the Windows versions it knows and long-path awareness; it asks
# for ASLR and DEP; and it loads only DLLs that every Windows has, so that
# the exe runs on its own.
# Usage: exe_resources.sh EXE VERSION. Exits 77 (skipped) where wrestool,
# objdump or the exe is missing.
set -euo pipefail
exe=$1
version=$2

for program in wrestool strings od; do
  command -v "$program" >/dev/null || { echo "skipped: no $program"; exit 77; }
done
[[ -f $exe ]] || { echo "skipped: no $exe"; exit 77; }
objdump=
for candidate in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
  if command -v "$candidate" >/dev/null && "$candidate" -p "$exe" >/dev/null 2>&1; then
    objdump=$candidate
    break
  fi
done
[[ -n $objdump ]] || { echo "skipped: no objdump that reads $exe"; exit 77; }

failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}

# The string table's keys and values are UTF-16 strings, each on a line of
# its own, a value following its key.
version_info=$(wrestool -x --raw --type=16 "$exe" | strings -el -n 2)
value() { awk -v key="$1" 'found { print; exit } $0 == key { found = 1 }' <<<"$version_info"; }
for key in FileVersion ProductVersion; do
  [[ $(value $key) == "$version" ]] || fail "$key is '$(value $key)', not $version"
done
[[ $(value ProductName) == masterswitch ]] || fail "ProductName is '$(value ProductName)'"
[[ -n $(value FileDescription) ]] || fail "no FileDescription"
[[ $(value LegalCopyright) == Copyright* ]] || fail "LegalCopyright is '$(value LegalCopyright)'"
# Explorer's "File version" is the binary one, four 16-bit numbers after the
# fixed part's signature: major.minor, then patch.build, each word pair
# stored low word first.
fixed=$(wrestool -x --raw --type=16 "$exe" | od -An -v -tx1 | tr -d ' \n' |
  grep -o 'bd04effe.\{8\}.\{16\}' | cut -c17-) || true
if [[ ${#fixed} == 16 ]]; then
  word() { echo $((16#${fixed:$1+2:2}${fixed:$1:2})); }
  binary="$(word 4).$(word 0).$(word 12)"
  [[ $binary == "$version" ]] || fail "the binary file version is $binary, not $version"
else
  fail "no fixed version information"
fi

manifest=$(wrestool -x --raw --type=24 "$exe")
# Windows 10 and later give a program without this entry the older
# behaviour of Windows 8.
grep -q 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' <<<"$manifest" ||
  fail "the manifest has no supportedOS entry for Windows 10"
grep -q '<longPathAware[^>]*>true</longPathAware>' <<<"$manifest" ||
  fail "the manifest does not declare longPathAware"

headers=$("$objdump" -p "$exe")
# ASLR and DEP, which Windows gives only an exe that asks for them.
for flag in DYNAMIC_BASE NX_COMPAT; do
  grep -qx "[[:space:]]*$flag" <<<"$headers" || fail "the exe does not ask for $flag"
done
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[[ -n $dlls ]] || fail "no imported DLLs listed"
foreign=$(grep -viE '^(kernel32|msvcrt|user32|advapi32|shell32|ole32|oleaut32|ntdll|ws2_32|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$dlls" || true)
[[ -z $foreign ]] || fail "imports DLLs that Windows does not have: ${foreign//$'\n'/ }"

((failed == 0)) || exit 1
echo "passed: $exe is version $version, with its manifest, importing only ${dlls//$'\n'/ }"
