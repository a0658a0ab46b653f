#!/usr/bin/env bash
# The Windows window used as a person would, under Wine and a real X server
# (Xvfb), with xdotool at the keyboard:
#  - started by the timetabling program with "exportar x": the file dialog
#    appears, a typed path and Enter run the export, Enter closes the report,
#    the window closes itself, Horavia.ini holds Transformado=1 and the tables
#    are byte for byte those of the Linux build's export of the same file;
#  - then "importar x" over those tables and a SOLUC from the simulator: the
#    same keys, Transformado=1, and the result document byte for byte the
#    Linux build's but for the moment of the import;
#  - the export with the dialog cancelled: Transformado=-1;
#  - interactive: the window's layout checked on a screenshot (layout.py),
#    Enter presses the focused OK at once and again after a run's messages (on
#    either side), F1
#    without the help file answers with a message, closing writes no Horavia.ini;
#  - F1 with EKADE.chm beside the program opens it in HTML Help.
#
# Usage: window-test.sh WINDOWS_BUILD LINUX_CLI [LINUX_SIMULATOR]
#        (WINEPREFIX and wine as the stage sets them)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
windows_build=$(cd "$1" && pwd)
linux_cli=$(realpath "$2")
simulator=$(realpath "${3:-$(dirname "$linux_cli")/../../examples/simulador-horavia/simulador-horavia}")
wine=${VINCULOR_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}

work=$(mktemp -d)
display_pid=""
cleanup() {
  [ -n "$display_pid" ] && kill "$display_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own.
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=":$n"
    break
  fi
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
display_pid=$!
export DISPLAY=$display
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || sleep 1

failures=0
fail() {
  echo "MAL: $*"
  failures=$((failures + 1))
}

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }

# Waits up to 30 s for a top-level window whose name matches; prints its id.
wait_window() {
  local pattern=$1 id
  for _ in $(seq 1 150); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Waits up to 30 s until no visible top-level window's name matches: keys
# typed while a run works are dropped, so the next one waits for its dialog.
wait_gone() {
  local pattern=$1
  for _ in $(seq 1 150); do
    xdotool search --onlyvisible --name "$pattern" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

# Waits up to 30 s for the program to end.
wait_exit() {
  local pid=$1
  for _ in $(seq 1 150); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.2
  done
  return 1
}

outcome() { sed -n 's/^Transformado=//p' "$1/Horavia.ini" 2>/dev/null | tr -d '\r'; }

new_app() {
  local app=$work/$1
  mkdir -p "$app/htemp"
  cp "$windows_build/src/winapp/vinculor.exe" "$app/"
  echo "$app"
}

school=$work/centro-ejemplo.xml
cp "$root/examples/centro-ejemplo.xml" "$school"

echo "== exportar x: la ruta escrita en el diálogo, Enter, el informe, Enter"
app=$(new_app exportar)
VINCULOR_HTEMP=$(winpath "$app/htemp") "$wine" "$app/vinculor.exe" exportar x >"$work/exportar.log" 2>&1 &
pid=$!
if wait_window "Seleccionar Archivo XML obtenido de PINNCEL-EKADE" >/dev/null; then
  sleep 0.5
  xdotool type --delay 5 "$(winpath "$school")"
  xdotool key Return
  if wait_window "^Vinculor$" >/dev/null; then
    sleep 0.5
    xdotool key Return
  else
    fail "no aparece el informe de «Proceso finalizado»"
  fi
else
  fail "no aparece el diálogo de archivo"
fi
wait_exit "$pid" || fail "la ventana no se cierra sola tras la exportación"
[ "$(outcome "$app")" = "1" ] || fail "Horavia.ini: Transformado=$(outcome "$app"), se esperaba 1"
mkdir -p "$work/linux-htemp"
"$linux_cli" exportar "$school" --htemp "$work/linux-htemp" >/dev/null
for table in ASIGNOMT PROFT AULAT GRUPOST DIASHORAST COUNTSES ASIGT; do
  cmp -s "$app/htemp/$table.DBF" "$work/linux-htemp/$table.DBF" || fail "$table.DBF difiere de la exportación de Linux"
done
cmp -s "$app/htemp/COUNTSES.MDX" "$work/linux-htemp/COUNTSES.MDX" || fail "COUNTSES.MDX difiere de la exportación de Linux"

echo "== importar x: la ruta escrita en el diálogo, Enter, el informe, Enter"
exported=$app/htemp
app=$(new_app importar)
cp "$exported"/* "$app/htemp/"
"$simulator" "$app/htemp" >/dev/null
mkdir -p "$work/linux-importar/htemp"
cp "$app/htemp"/* "$work/linux-importar/htemp/"
cp "$school" "$app/" && cp "$school" "$work/linux-importar/"
VINCULOR_HTEMP=$(winpath "$app/htemp") "$wine" "$app/vinculor.exe" importar x >"$work/importar.log" 2>&1 &
pid=$!
# The import first tells which file to open.
if wait_window "^Vinculor$" >/dev/null; then
  sleep 0.3
  xdotool key Return
else
  fail "la importación no dice qué archivo abrir"
fi
if wait_window "Seleccionar Archivo XML obtenido de PINNCEL-EKADE" >/dev/null; then
  sleep 0.5
  xdotool type --delay 5 "$(winpath "$app/centro-ejemplo.xml")"
  xdotool key Return
  if wait_window "^Vinculor$" >/dev/null; then
    sleep 0.5
    xdotool key Return
  else
    fail "no aparece el informe de «Proceso finalizado» de la importación"
  fi
else
  fail "no aparece el diálogo de archivo de la importación"
fi
wait_exit "$pid" || fail "la ventana no se cierra sola tras la importación"
[ "$(outcome "$app")" = "1" ] || fail "Horavia.ini: Transformado=$(outcome "$app") tras importar, se esperaba 1"
"$linux_cli" importar "$work/linux-importar/centro-ejemplo.xml" --htemp "$work/linux-importar/htemp" >/dev/null
without_moment() { sed -E 's/FechaExportacion="[^"]*"/FechaExportacion=""/' "$1"; }
result=ResultadoHoraviacentro-ejemplo.xml
if [ ! -f "$app/$result" ]; then
  fail "la importación no ha escrito $result"
elif ! cmp -s <(without_moment "$app/$result") <(without_moment "$work/linux-importar/$result"); then
  fail "$result difiere del de Linux (sin FechaExportacion)"
fi

echo "== exportar x con el diálogo cancelado"
app=$(new_app cancelado)
VINCULOR_HTEMP=$(winpath "$app/htemp") "$wine" "$app/vinculor.exe" exportar x >"$work/cancelado.log" 2>&1 &
pid=$!
if wait_window "Seleccionar Archivo XML obtenido de PINNCEL-EKADE" >/dev/null; then
  sleep 0.5
  xdotool key Escape
  if wait_window "^Vinculor$" >/dev/null; then
    sleep 0.3
    xdotool key Return
  else
    fail "no aparece «No existe archivo»"
  fi
else
  fail "no aparece el diálogo de archivo"
fi
wait_exit "$pid" || fail "la ventana no se cierra sola tras el diálogo cancelado"
[ "$(outcome "$app")" = "-1" ] || fail "Horavia.ini: Transformado=$(outcome "$app"), se esperaba -1"

echo "== uso interactivo: la disposición, F1 sin archivo de ayuda, cerrar"
app=$(new_app interactivo)
VINCULOR_HTEMP=$(winpath "$app/htemp") "$wine" "$app/vinculor.exe" >"$work/interactivo.log" 2>&1 &
pid=$!
if window=$(wait_window "Exportar e importar datos entre Horavia y Pincel-eKade"); then
  # The window is painted once it is mapped; a busy machine may take a while.
  for _ in $(seq 1 20); do
    sleep 0.5
    import -depth 8 -window "$window" "$work/ventana.ppm" 2>/dev/null && break
  done
  python3 "$here/layout.py" "$work/ventana.ppm" || fail "la disposición de la ventana"
  if [ -n "${VINCULOR_SCREENSHOTS:-}" ]; then
    mkdir -p "$VINCULOR_SCREENSHOTS"
    convert "$work/ventana.ppm" "$VINCULOR_SCREENSHOTS/ventana-windows.png"
  fi
  # Enter at once presses the first side's OK; after the message that ends
  # the run, the focus is back on it and Enter presses it again.
  for attempt in primera segunda; do
    wait_gone "^Vinculor$" || true
    xdotool key Return
    if wait_window "Seleccionar Archivo XML obtenido de PINNCEL-EKADE" >/dev/null; then
      sleep 0.5
      xdotool key Escape
      if wait_window "^Vinculor$" >/dev/null; then
        sleep 0.5
        xdotool key Return
      else
        fail "no aparece «No existe archivo» ($attempt vez)"
      fi
    else
      fail "Enter no pulsa el botón OK de Exportar ($attempt vez): el foco no está en él"
    fi
  done
  # Tab to the import side's OK: after its run's messages the focus is back on
  # it, not on the first side's, and Enter presses it again.
  wait_gone "^Vinculor$" || true
  sleep 0.5
  xdotool key Tab
  for attempt in primera segunda; do
    wait_gone "^Vinculor$" || true
    xdotool key Return
    if wait_window "^Vinculor$" >/dev/null; then
      sleep 0.5
      xdotool key Return
      if wait_window "Seleccionar Archivo XML obtenido de PINNCEL-EKADE" >/dev/null; then
        sleep 0.5
        xdotool key Escape
        wait_gone "Seleccionar Archivo XML obtenido de PINNCEL-EKADE" || true
        if wait_window "^Vinculor$" >/dev/null; then
          sleep 0.5
          xdotool key Return
        else
          fail "no aparece «No existe archivo XML o Solución.» ($attempt vez)"
        fi
      else
        fail "no aparece el diálogo de archivo de la importación ($attempt vez)"
      fi
    else
      fail "Enter no pulsa el botón OK de Importar ($attempt vez): el foco no está en él"
    fi
  done
  wait_gone "^Vinculor$" || true
  xdotool key F1
  if wait_window "^Vinculor$" >/dev/null; then
    sleep 0.3
    xdotool key Return
  else
    fail "F1 sin EKADE.chm no dice nada"
  fi
  sleep 0.5
  # "Salir" by its access key.
  xdotool key alt+s
else
  fail "no aparece la ventana"
fi
wait_exit "$pid" || { fail "la ventana no se cierra"; kill "$pid" 2>/dev/null || true; }
[ ! -e "$app/Horavia.ini" ] || fail "el uso interactivo ha escrito Horavia.ini"

if [ -f "$windows_build/help/EKADE.chm" ]; then
  echo "== F1 con EKADE.chm junto al programa: la Ayuda HTML"
  app=$(new_app ayuda)
  cp "$windows_build/help/EKADE.chm" "$app/"
  VINCULOR_HTEMP=$(winpath "$app/htemp") "$wine" "$app/vinculor.exe" >"$work/ayuda.log" 2>&1 &
  pid=$!
  if window=$(wait_window "Exportar e importar datos entre Horavia y Pincel-eKade"); then
    sleep 1
    xdotool key F1
    wait_window "Ayuda de Vinculor" >/dev/null || fail "F1 no abre la ayuda EKADE.chm"
    ! xdotool search --name "^Vinculor$" >/dev/null 2>&1 || fail "F1 con EKADE.chm muestra un mensaje"
  else
    fail "no aparece la ventana"
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures comprobaciones de la ventana de Windows han fallado"
  exit 1
fi
echo "La ventana de Windows: todo bien"
