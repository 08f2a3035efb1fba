#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Keyboard-only benchmark of a realistic day: logs eleven foods, each by a household measure,
# through the real program on its own Xvfb with xdotool, and counts every key press (a chord
# counts once) and every typed character. Prints the keys per food, the total and the
# servings the log then holds.
#   sh bench/keyboard-day.sh BUILDDIR [quick|search|amounts]
# quick (the default): the quick-log field of the main window. Ctrl+L once; for each food
#   the everyday words are typed key by key until the food is the first suggestion (or all
#   are typed, then Down to it), Enter opens the add-to-log dialog of the new food (at its
#   first household measure), Tab, Tab, Down to the measure, Enter. Then the same day is
#   logged again on the next day:
#   keys until the food is first, Enter logs it as last time.
# amounts: ten foods never logged, each typed as people say it with its amount ("2 scrambled
#   eggs", "1 pat butter") into the quick-log field, the amount whole and the food's words key
#   by key until the food is the first suggestion, and logged by Enter, no dialog; then the
#   same ten again on the next day, each by its words typed key by key until it is the first
#   suggestion and Enter, which logs it in the measure it was logged in. Prints the keys a
#   food on each day and checks that the next day holds the same foods and amounts.
# search: the "Search Foods" dialog, as before the quick log: Ctrl+F, the search text, Down
#   through the alphabetical results, Enter, Tab, Tab, Down to the measure, Enter.
# Needs Xvfb, xdotool and the sqlite3 shell (all installed by build-aux/quickstart), and
# BUILDDIR/src/app/alimora-test-copy, BUILDDIR/bench/quick-log-rank (ninja -C BUILDDIR
# bench/quick-log-rank) with BUILDDIR/data/food.db.
set -eu
build=$1
mode=${2:-quick}
day=$(mktemp)
if [ "$mode" = search ]; then
# Food code | search text | amount (empty: 1) | household measure
cat > "$day" <<'DAY'
56203066|oatmeal, reg||1 cup, cooked
63107010|banana, raw||1 banana
92101000|coffee, brewed||1 cup (8 fl oz)
27540310|turkey sandwich||1 sandwich
63101000|apple, r||1 medium
24122131|chicken breast, baked||1 medium breast
56205018|rice, brown, c||1 cup, cooked
72201211|broccoli, fresh||1 cup
82104000|olive oil||1 tablespoon
42101130|almonds, uns||1 oz
11411400|yogurt, greek||1 6 oz container
DAY
elif [ "$mode" = amounts ]; then
# Food code | the amount typed first | the food's words | the words typed the next day
cat > "$day" <<'DAY'
56203000|1 cup |oatmeal|oatmeal
63107010|a |banana|banana
92100000|1 cup |coffee|coffee
32129990|2 |scrambled eggs|scrambled eggs
51101000|2 slices |white bread|white bread
81100500|1 pat |butter|butter
93101000|12 fl oz |beer|beer
63101000|an |apple|apple
56205000|200 g |rice|rice
82104000|1 tbsp |olive oil|olive oil
DAY
else
# Food code | everyday words | amount (empty: 1) | household measure. The foods are the plain
# forms that these words mean (the descriptions the ranking test counts as right).
cat > "$day" <<'DAY'
56203000|oatmeal||1 cup, cooked
63107010|banana||1 banana
92100000|coffee||1 cup (8 fl oz)
27540310|turkey sandwich||1 sandwich
63101000|apple||1 medium
24120120|chicken breast||1 breast
56205011|brown rice||1 cup, cooked
72201100|broccoli||1 cup
82104000|olive oil||1 tablespoon
42100100|almonds||1 oz
11411390|greek yogurt||1 6 oz container
DAY
fi
num=$(mktemp); data=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$num" 2>/dev/null &
xvfb=$!
app=""
trap '[ -z "$app" ] || kill "$app" 2>/dev/null; kill "$xvfb" 2>/dev/null; rm -rf "$num" "$data" "$day"' EXIT
until [ -s "$num" ]; do sleep 0.05; done
export DISPLAY=":$(head -n 1 "$num")"
mkdir -p "$data/alimora"
log="$data/alimora/log.db"
sqlite3 "$log" \
  "CREATE TABLE IF NOT EXISTS food_log (  id INTEGER PRIMARY KEY AUTOINCREMENT,  food_code INTEGER NOT NULL,  description TEXT NOT NULL,  date TEXT NOT NULL,  servings REAL NOT NULL DEFAULT 1.0);" \
  "CREATE TABLE IF NOT EXISTS user_profile (  id INTEGER PRIMARY KEY CHECK (id = 1),  bdate TEXT NOT NULL,  height_cm REAL NOT NULL,  weight_kg REAL NOT NULL,  activity_level INTEGER NOT NULL,  gender INTEGER NOT NULL,  calorie_target INTEGER NOT NULL);" \
  "INSERT INTO user_profile VALUES (1, '1990-05-07', 170.0, 65.0, 1, 0, 2000);"
start_app() {
  XDG_DATA_HOME="$data" NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory LANG=C.UTF-8 "$build/src/app/alimora-test-copy" &
  app=$!
  main=$(timeout 20 xdotool search --sync --onlyvisible --classname '^alimora$' | head -n 1)
  xdotool windowfocus --sync "$main"; sleep 0.5
}
stop_app() {
  kill "$app"; wait "$app" 2>/dev/null || true; app=""
}
keys=0
key() { xdotool key --clearmodifiers --delay 40 "$@"; keys=$((keys + $#)); sleep 0.15; }
typetext() { xdotool type --delay 25 "$1"; keys=$((keys + ${#1})); sleep 0.1; }
win() { timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | tail -n 1; }
# Xvfb has no window manager: give the X focus to each new window as one would (not a key).
focus() { xdotool windowfocus --sync "$1" 2>/dev/null || true; sleep 0.15; }
db="$build/data/food.db"
describe() { sqlite3 "$db" "SELECT \"Main food description\" FROM foods WHERE \"Food code\" = $1"; }
measure_item() {
  sqlite3 "$db" "SELECT n FROM (SELECT row_number() OVER (ORDER BY \"Seq num\", rowid) AS n, \"Portion description\" AS d FROM measures WHERE \"Food code\" = $1) WHERE d = '$2'"
}
# Where the food stands among the suggestions for the text, as the window ranks them now.
# $prefix is what the field holds before the words: the amount typed first.
prefix=""
place() { "$build/bench/quick-log-rank" "$db" "$log" "$1" "$prefix$2"; }
# Types |words| key by key until |code| is the first suggestion; then Down to it when it is
# not. Sets $typed.
type_until_first() {
  code=$1; words=$2; typed=""; rest=$words
  while [ -n "$rest" ]; do
    c=$(printf '%s' "$rest" | cut -c1); rest=$(printf '%s' "$rest" | cut -c2-)
    typetext "$c"; typed="$typed$c"
    [ "$c" = " " ] && continue
    [ "$(place "$code" "$typed")" = 0 ] && return 0
  done
  pos=$(place "$code" "$typed")
  if [ "$pos" -lt 0 ]; then echo "keyboard-day: '$typed' does not suggest $code" >&2; exit 1; fi
  i=0; while [ $i -lt "$pos" ]; do key Down; i=$((i + 1)); done
}

start_app
if [ "$mode" = amounts ]; then
  key ctrl+l
  new=0
  while IFS='|' read -r code amount food words; do
    [ -n "$code" ] || continue
    before=$keys
    focus "$main"
    typetext "$amount"
    prefix=$amount
    type_until_first "$code" "$food"
    prefix=""
    text="$amount$typed"
    sleep 0.3
    key Return
    sleep 0.5
    got=$(sqlite3 -cmd ".timeout 3000" "$log" "SELECT food_code || ' ' || servings FROM food_log ORDER BY id DESC LIMIT 1")
    [ "${got%% *}" = "$code" ] || echo "keyboard-day: '$text' logged $got, not $code" >&2
    new=$((new + 1))
    echo "$(describe "$code"): $((keys - before)) keys (typed '$text'; logged ${got#* } servings)"
  done < "$day"
  first=$keys
  echo "day 1 (foods never logged): $first keys, $new foods (Ctrl+L once included)"
  stop_app
  sqlite3 -cmd ".timeout 3000" "$log" "UPDATE food_log SET date = date(date, '-1 day')"
  start_app
  key ctrl+l
  while IFS='|' read -r code amount food words; do
    [ -n "$code" ] || continue
    before=$keys
    focus "$main"
    type_until_first "$code" "$words"
    sleep 0.3
    key Return
    sleep 0.5
    echo "$(describe "$code") again: $((keys - before)) keys (typed '$typed')"
  done < "$day"
  echo "day 2 (the same foods again): $((keys - first)) keys (Ctrl+L once included)"
  echo "total: $keys keys"
  # The second day is the first one again: the same foods, servings and kept measures.
  same=$(sqlite3 -cmd ".timeout 3000" "$log" "SELECT (SELECT group_concat(x, ';') FROM (SELECT f.food_code || ' ' || f.servings || ' ' || coalesce(m.count || ' × ' || m.measure, 'grams') AS x FROM food_log f LEFT JOIN entry_measures m ON m.entry_id = f.id WHERE f.date = date('now', 'localtime', '-1 day') ORDER BY f.id)) = (SELECT group_concat(x, ';') FROM (SELECT f.food_code || ' ' || f.servings || ' ' || coalesce(m.count || ' × ' || m.measure, 'grams') AS x FROM food_log f LEFT JOIN entry_measures m ON m.entry_id = f.id WHERE f.date = date('now', 'localtime') ORDER BY f.id))")
  [ "$same" = 1 ] && echo "the next day holds the very amounts and measures" ||
    echo "keyboard-day: the next day differs from the first" >&2
elif [ "$mode" = search ]; then
  key ctrl+f
  search=$(win "Search Foods")
  while IFS='|' read -r code query amount measure; do
    [ -n "$code" ] || continue
    before=$keys
    desc=$(describe "$code")
    pos=$(sqlite3 "$db" "SELECT n FROM (SELECT row_number() OVER (ORDER BY \"Main food description\") - 1 AS n, \"Food code\" AS c FROM (SELECT * FROM foods WHERE \"Main food description\" LIKE '%$query%' ORDER BY \"Main food description\" LIMIT 100)) WHERE c = $code")
    m=$(measure_item "$code" "$measure")
    focus "$search"
    typetext "$query"
    sleep 0.4
    if [ "$pos" -gt 0 ]; then
      key Down
      i=0; while [ $i -lt "$pos" ]; do key Down; i=$((i + 1)); done
    fi
    key Return
    dialog=$(win "$desc")
    focus "$dialog"
    key Tab
    if [ -n "$amount" ]; then typetext "$amount"; fi
    key Tab
    i=0; while [ $i -lt "$m" ]; do key Down; i=$((i + 1)); done
    key Return
    sleep 0.5
    echo "$desc: $((keys - before)) keys (query '$query', row $pos, measure $measure = item $m)"
  done < "$day"
  key Escape
  echo "total: $keys keys"
else
  key ctrl+l
  while IFS='|' read -r code words amount measure; do
    [ -n "$code" ] || continue
    before=$keys
    desc=$(describe "$code")
    m=$(measure_item "$code" "$measure")
    focus "$main"
    type_until_first "$code" "$words"
    sleep 0.3
    key Return
    dialog=$(win "$desc")
    focus "$dialog"
    key Tab
    if [ -n "$amount" ]; then typetext "$amount"; fi
    key Tab
    # A food never logged opens at its first household measure, the chooser's second item.
    i=1; while [ $i -lt "$m" ]; do key Down; i=$((i + 1)); done
    key Return
    sleep 0.5
    echo "$desc: $((keys - before)) keys (typed '$typed', measure $measure = item $m)"
  done < "$day"
  first=$keys
  echo "day 1 (foods never logged): $first keys"
  # The next day: the same eleven foods, now the person's own.
  stop_app
  sqlite3 -cmd ".timeout 3000" "$log" "UPDATE food_log SET date = date(date, '-1 day')"
  start_app
  key ctrl+l
  while IFS='|' read -r code words amount measure; do
    [ -n "$code" ] || continue
    before=$keys
    focus "$main"
    type_until_first "$code" "$words"
    sleep 0.3
    key Return
    sleep 0.5
    echo "$(describe "$code") again: $((keys - before)) keys (typed '$typed')"
  done < "$day"
  echo "day 2 (the same foods again): $((keys - first)) keys"
  echo "total: $keys keys"
fi
sleep 0.5
sqlite3 -cmd ".timeout 3000" "$log" "SELECT f.date, f.food_code, f.description, f.servings, coalesce(m.count || ' × ' || m.measure, '') FROM food_log f LEFT JOIN entry_measures m ON m.entry_id = f.id ORDER BY f.id"
