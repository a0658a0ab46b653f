#!/usr/bin/env bash
# Builds the Windows packages (cpack in the Windows build: a zip and, with
# NSIS, an installer) and checks what they hold: the window, the command
# line, the help and the LEEME, nothing else of ours. The programs from the
# zip run under Wine with nothing beside them.
#
# Usage: package-test.sh WINDOWS_BUILD   (WINEPREFIX and wine as the stage sets them)
set -euo pipefail
windows_build=$(cd "$1" && pwd)
wine=${VINCULOR_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}
expected="EKADE.chm LEEME.txt vinculor-cli.exe vinculor.exe"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "MAL: $*"
  failures=$((failures + 1))
}

(cd "$windows_build" && rm -f Vinculor-*-windows.zip Vinculor-*-windows.exe && cpack >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; exit 1; }

zip=$(ls "$windows_build"/Vinculor-*-windows.zip)
echo "== $(basename "$zip"): $(du -k "$zip" | cut -f1) KB"
found=$(unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | sort | tr '\n' ' ' | sed 's/ $//')
[ "$found" = "$expected" ] || fail "el zip contiene «$found», se esperaba «$expected»"

unzip -q "$zip" -d "$work/zip"
folder=$(find "$work/zip" -mindepth 1 -maxdepth 1 -type d)
if ! "$wine" "$folder/vinculor-cli.exe" --help >"$work/help.txt" 2>&1 || ! grep -q "exportar" "$work/help.txt"; then
  fail "vinculor-cli.exe del zip no arranca solo"
fi
grep -q $'\r$' "$folder/LEEME.txt" || fail "LEEME.txt sin finales de línea de Windows"
# Both programs carry the manifest: the user's own rights, the Windows versions
# they know, paths beyond 260 characters.
for exe in vinculor.exe vinculor-cli.exe; do
  7z x -so "$folder/$exe" .rsrc/MANIFEST/1 2>/dev/null | grep -q '<longPathAware' || fail "$exe sin su manifiesto"
done

if command -v makensis >/dev/null; then
  installer=$(ls "$windows_build"/Vinculor-*-windows.exe)
  echo "== $(basename "$installer"): $(du -k "$installer" | cut -f1) KB"
  found=$(7z l -slt "$installer" | sed -n 's/^Path = //p' | grep -E '^(EKADE\.chm|LEEME\.txt|vinculor-cli\.exe|vinculor\.exe)$' |
    sort | tr '\n' ' ' | sed 's/ $//')
  [ "$found" = "$expected" ] || fail "el instalador contiene «$found», se esperaba «$expected»"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures comprobaciones de los paquetes de Windows han fallado"
  exit 1
fi
echo "Los paquetes de Windows: todo bien"
