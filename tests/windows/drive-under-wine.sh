#!/usr/bin/env bash
# Starts the Windows build under Wine on a virtual X display of its own and
# checks its window: caption and client area. Given two data link files, it
# then converts through the window as a user would (types both paths, presses
# Converter, answers Sim to both questions), waits for the run to end and
# prints the log. Exits 0 only if the log ends with "Conversão completa!".
#
#   drive-under-wine.sh FOLDER_WITH_EXE [ORIGEM.udl DESTINO.udl]
#
# WINEPREFIX names the Wine prefix; one kept between runs saves the first start.
set -euo pipefail

if [ "${1:-}" != --on-display ]; then
  # The captions and the log are matched as UTF-8, whatever locale the caller has.
  export LC_ALL=C.UTF-8
  export WINEDEBUG=-all
  # No prompts to install Wine's .NET and HTML engines when the prefix is made.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --on-display "$@"
fi
shift
folder=$1
origem=${2:-}
destino=${3:-}
wine=/usr/lib/wine/wine64
caption="Conversão de Dados (Sistema Dunavel)"

fail() { echo "drive-under-wine: $*" >&2; exit 1; }

program_log=$(mktemp)
app=
cleanup() {
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -f "$program_log"
}
trap cleanup EXIT

# Waits up to $2 seconds for a window named exactly $1; prints its id.
wait_window() {
  local pattern id
  pattern="^$(sed 's/[][()\\.*+?^$|{}]/\\&/g' <<<"$1")\$"
  for _ in $(seq 1 $(($2 * 5))); do
    id=$(xdotool search --name "$pattern" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$app" 2>/dev/null || { cat "$program_log" >&2; fail "the program ended"; }
    sleep 0.2
  done
  return 1
}

"$wine" "$folder/KovaraConverter.exe" >"$program_log" 2>&1 &
app=$!
# A new prefix is made on the first start, which takes a while.
window=$(wait_window "$caption" 120) || { cat "$program_log" >&2; fail "no window \"$caption\""; }
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 630 ] && [ "$HEIGHT" = 309 ] || fail "the client area is ${WIDTH}x${HEIGHT}, not 630x309"
echo "window \"$caption\", client area ${WIDTH}x${HEIGHT}"
[ -n "$origem" ] || exit 0

windows_path() { echo "Z:${1//\//\\}"; }
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }

click 300 18      # Origem
xdotool type --delay 5 "$(windows_path "$origem")"
click 300 45      # Destino
xdotool type --delay 5 "$(windows_path "$destino")"
click 584 286     # Converter

# "Deseja fazer a conversão? ..." and then "Deseja converter também as existencias?"
for question in 1 2; do
  box=$(wait_window "Confirmação" 30) || fail "question $question did not appear"
  # Sim is the default button; Qt puts the focus on the box it shows.
  xdotool key --clearmodifiers Return
  for _ in $(seq 1 50); do
    xdotool search --name "^Confirmação\$" >/dev/null 2>&1 || break
    sleep 0.2
  done
  if xdotool search --name "^Erro\$" >/dev/null 2>&1; then
    fail "the window refused the data link files"
  fi
done

# The log, read as a user would copy it: select it all and copy.
log=
for _ in $(seq 1 150); do
  sleep 2
  click 300 150
  xdotool key --clearmodifiers ctrl+a ctrl+c
  log=$(xclip -o -selection clipboard 2>/dev/null || true)
  case "$log" in
    *"Conversão completa!"* | *"Processo abortado!"*) break ;;
  esac
done
printf '%s\n' "$log"
case "$log" in
  *"Conversão completa!"*) ;;
  *) fail "the run did not complete" ;;
esac
