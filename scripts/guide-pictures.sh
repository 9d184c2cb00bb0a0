#!/usr/bin/env bash
# Makes the pictures of the technician's guide (docs/guia/*.png) from the real
# program on a virtual X server, against the test server with a small sample
# shop: the window before and after a conversion driven as a user drives it,
# its question, a path box's menu, the data link editor, the record of the
# run, dry runs on the command line over a clean and a dirty shop, the dry
# run of the dirty shop in the window (Alt+V) and its report as a browser
# shows it (headless Chromium).
#
#   scripts/guide-pictures.sh
#
# The server: KOVARA_TEST_ODBC, as for the tests; without it, the test server
# beside the project (../shared/test-sql-server/start, which honours
# KOVARA_TSQL_ROOT and KOVARA_TSQL_PORT). The shop's two databases are made
# from the test suite's scripts and dropped at the end, also on failure.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --on-display ]; then
  ./scripts/install-deps.sh --pictures
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release --parallel "$(nproc)" --target KovaraConverter >/dev/null
  if [ -z "${KOVARA_TEST_ODBC:-}" ]; then
    eval "$(bash ../shared/test-sql-server/start)"
  fi
  export KOVARA_TEST_ODBC
  # A white root window, so a picture of a menu over the window trims cleanly.
  exec xvfb-run -a -s "-screen 0 1024x768x24 -wr" "$0" --on-display
fi

export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
pictures=$PWD/docs/guia
program_dir=$PWD/build/release/src/app
sql_dir=$PWD/tests/server/sql
source_db=ExemploPOS
destination_db=ExemploKovara
caption="Conversão de Dados (Sistema Dunavel)"

fail() { echo "guide-pictures: $*" >&2; exit 1; }

# The server, user and password from the ODBC connection string.
setting() {
  tr ';' '\n' <<<"$KOVARA_TEST_ODBC" | awk -v key="$1" '
    { name = toupper(substr($0, 1, index($0, "=") - 1)) }
    name == key { print substr($0, index($0, "=") + 1); exit }'
}
host=$(setting SERVER)
port=$(setting PORT)
login=$(setting UID)
password=$(setting PWD)
[ -n "$host" ] && [ -n "$login" ] || fail "KOVARA_TEST_ODBC names no SERVER or UID"

# Runs T-SQL read from standard input in database $1; fails on any server error.
sql() {
  local output
  output=$({ cat; printf '\nGO\n'; } |
    TDSVER=7.4 tsql -H "$host" -p "${port:-1433}" -U "$login" -P "$password" -D "$1" -o q 2>&1) ||
    fail "tsql failed: $output"
  if grep -q '^Msg [0-9]' <<<"$output"; then
    fail "the server refused a statement in $1: $output"
  fi
}

drop_shop() {
  sql master <<SQL
IF DB_ID('$source_db') IS NOT NULL DROP DATABASE $source_db
GO
IF DB_ID('$destination_db') IS NOT NULL DROP DATABASE $destination_db
SQL
}

# A scratch home for the technician, where the data link files and the record
# live. Its path shows in the pictures, so it is always the same; a lock keeps
# two runs apart.
scratch=${TMPDIR:-/tmp}/kovara-guia
exec 9>"$scratch.lock"
flock -n 9 || fail "another run is making the pictures"
rm -rf "$scratch"
mkdir -p "$scratch"
export HOME=$scratch
unset XDG_STATE_HOME
links=$HOME/ligacoes
mkdir -p "$links"
record=$HOME/.local/state/KovaraConverter/conversoes.log
export PATH="$program_dir:$PATH"

app=
terminal=
cleanup() {
  for pid in $app $terminal; do kill "$pid" 2>/dev/null || true; done
  drop_shop || echo "guide-pictures: could not drop $source_db and $destination_db" >&2
  rm -rf "$scratch" "$scratch.lock"
}
trap cleanup EXIT

# The sample shop: the point-of-sale and the Kovara databases of the server
# tests, with their rows.
drop_shop
sql master <<<"CREATE DATABASE $source_db
GO
CREATE DATABASE $destination_db"
cat "$sql_dir/source_schema.sql" "$sql_dir/source_rows.sql" | sql "$source_db"
cat "$sql_dir/destination_schema.sql" "$sql_dir/destination_rows.sql" | sql "$destination_db"

write_link() { # file database
  printf '[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n' >"$1"
  printf 'Provider=SQLOLEDB.1;Password=%s;Persist Security Info=True;User ID=%s;Initial Catalog=%s;Data Source=%s\r\n' \
    "$password" "$login" "$2" "$host${port:+,$port}" >>"$1"
}
write_link "$links/origem.udl" "$source_db"
write_link "$links/destino.udl" "$destination_db"

# Waits up to $2 seconds for a window named exactly $1; prints its id.
wait_window() {
  local pattern id
  pattern="^$(sed 's/[][()\\.*+?^$|{}]/\\&/g' <<<"$1")\$"
  for _ in $(seq 1 $(($2 * 5))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  return 1
}

# A window as it shows, and the whole screen trimmed to what is on it.
shoot_window() { sleep 0.5; import -window "$1" "$pictures/$2"; echo "docs/guia/$2"; }
shoot_screen() {
  sleep 0.5
  import -window root -trim +repage "$pictures/$1"
  echo "docs/guia/$1"
}

# Runs a command line in a terminal in the technician's home, showing it after
# a prompt, and pictures the terminal once the command has ended.
shoot_terminal() { # picture command-line
  local picture=$1 command=$2 done=$scratch/terminal.done id
  rm -f "$done"
  xterm -title guia-terminal -geometry 110x40+0+0 -fa "DejaVu Sans Mono" -fs 10 -bg white -fg black \
    -xrm "XTerm*scrollBar: false" -e bash -c '
      cd ~
      printf "\033[?25l"   # no cursor in the picture
      printf "\$ %s\n" "$2"
      eval "$2"
      touch "$1"
      sleep 600' bash "$done" "$command" &
  terminal=$!
  for _ in $(seq 1 300); do [ -e "$done" ] && break; sleep 0.2; done
  [ -e "$done" ] || fail "the command in the terminal did not end: $command"
  id=$(wait_window guia-terminal 10) || fail "no terminal window"
  sleep 0.5
  import -window "$id" png:- | convert png:- -trim +repage -bordercolor white -border 12 \
    -bordercolor "#9a9a9a" -border 1 -define png:exclude-chunks=date,time "$pictures/$picture"
  kill "$terminal"; wait "$terminal" 2>/dev/null || true
  terminal=
  echo "docs/guia/$picture"
}

rm -rf "$pictures"
mkdir -p "$pictures"

# --- The window, driven as a technician drives it ------------------------------
KovaraConverter >"$scratch/window.log" 2>&1 &
app=$!
window=$(wait_window "$caption" 30) || { cat "$scratch/window.log" >&2; fail "no window \"$caption\""; }
click() { xdotool mousemove --window "$window" "$1" "$2" click "${3:-1}"; }

type_paths() {
  click 300 18      # Origem
  xdotool type --delay 5 "$links/origem.udl"
  click 300 45      # Destino
  xdotool type --delay 5 "$links/destino.udl"
}
# Answers Sim to every "Confirmação" the window asks, until none is left.
answer_yes() { # questions
  local box
  for question in $(seq 1 "$1"); do
    box=$(wait_window "Confirmação" 30) || fail "no question $question"
    # Sim is the default button.
    xdotool mousemove --window "$box" 5 5 key --clearmodifiers Return
    for _ in $(seq 1 50); do
      xdotool search --onlyvisible --name "^Confirmação\$" >/dev/null 2>&1 || break
      sleep 0.2
    done
    ! xdotool search --onlyvisible --name "^Erro\$" >/dev/null 2>&1 || fail "the window refused the data link files"
  done
}
# Waits for the record's result line of the n-th run ($1) and checks it starts with $2.
wait_result() { # n result
  for _ in $(seq 1 300); do
    ended=$(grep -Ec '^(\[[0-9a-f]+\] )?Resultado:' "$record" 2>/dev/null || true)
    [ "${ended:-0}" -ge "$1" ] && break
    sleep 0.2
  done
  grep -E '^(\[[0-9a-f]+\] )?Resultado:' "$record" | sed -n "$1p" | grep -q "Resultado: $2" ||
    { cat "$record" >&2; fail "run $1 in the window did not end with \"$2\""; }
}

type_paths
shoot_window "$window" janela-antes.png

# The path box's own menu, with the data link editor at its foot.
click 200 45 3
sleep 0.5
shoot_screen menu-ligacao.png
xdotool key Escape

click 584 286     # Converter
box=$(wait_window "Confirmação" 30) || fail "no question"
shoot_window "$box" pergunta.png
answer_yes 2
wait_result 1 "conversão completa"
sleep 1
shoot_window "$window" janela-depois.png
kill "$app"; wait "$app" 2>/dev/null || true
app=

# --- The data link editor, after a connection test -----------------------------
KovaraConverter --ligacao "$links/origem.udl" >"$scratch/editor.log" 2>&1 &
app=$!
editor=$(wait_window "Propriedades da ligação de dados - origem.udl" 30) ||
  { cat "$scratch/editor.log" >&2; fail "no data link editor"; }
xdotool mousemove --window "$editor" 5 5
xdotool windowfocus "$editor"
# From Servidor: Windows authentication, Utilizador, Palavra-passe, the password's
# check box, Base de dados, the two encryption check boxes, then Testar ligação.
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab Tab Tab space
sleep 4
shoot_window "$editor" editor-ligacao.png
kill "$app"; wait "$app" 2>/dev/null || true
app=

# --- The command line ----------------------------------------------------------
dry_run="KovaraConverter --origem ligacoes/origem.udl --destino ligacoes/destino.udl --existencias --verificar"
shoot_terminal registo.png "cat ~/.local/state/KovaraConverter/conversoes.log"
shoot_terminal verificar.png "$dry_run"

# A dirty shop: a postal code and a description longer than Kovara's columns.
sql "$source_db" <<'SQL'
ALTER TABLE dbo.Clientes ALTER COLUMN codpostal nvarchar(20)
GO
ALTER TABLE dbo.Produtos ALTER COLUMN descricao nvarchar(100)
GO
UPDATE dbo.Clientes SET codpostal = N'4050-262 Porto' WHERE codigo = 1
GO
UPDATE dbo.Produtos SET descricao = N'Pastel de nata tradicional, caixa de seis unidades, com canela e açúcar' WHERE codigo = 104
SQL
shoot_terminal verificar-falha.png "$dry_run"

# --- The dirty shop's dry run in the window, and its report --------------------
KovaraConverter >"$scratch/window.log" 2>&1 &
app=$!
window=$(wait_window "$caption" 30) || { cat "$scratch/window.log" >&2; fail "no window \"$caption\""; }
type_paths
xdotool windowfocus --sync "$window" key --clearmodifiers alt+v
answer_yes 1
# The command line's two dry runs were recorded after the window's conversion.
wait_result 4 "verificação falhou"
sleep 1
shoot_window "$window" janela-verificar.png
kill "$app"; wait "$app" 2>/dev/null || true
app=

report=$(grep -E '^(\[[0-9a-f]+\] )?Relatório:' "$record" | tail -1 | sed 's/^.*Relatório: //')
[ -f "$report" ] || fail "no report in the record"
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$scratch/chromium" \
  --window-size=900,1500 --screenshot="$scratch/relatorio.png" "file://$report" >/dev/null 2>&1 ||
  fail "chromium could not render $report"
convert "$scratch/relatorio.png" -trim +repage -bordercolor white -border 12 -bordercolor "#9a9a9a" -border 1 \
  -define png:exclude-chunks=date,time "$pictures/relatorio.png"
echo "docs/guia/relatorio.png"
