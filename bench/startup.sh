#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark: the time from exec of the program to its main window mapped on the X
# display, and the program's resident memory (VmRSS) at that moment; once with a log that
# holds only a complete profile, once with ten years of entries (20 a day, up to today).
#   sh bench/startup.sh ALIMORA_EXE X_WINDOW_EXE FOOD_DB [RUNS]
# ALIMORA_EXE must read FOOD_DB (the test copy of the build tree does). Uses $DISPLAY, or
# starts its own Xvfb when there is none. Each case has one untimed warm-up run first.
set -eu

if [ $# -lt 3 ]; then
  echo "usage: startup.sh ALIMORA_EXE X_WINDOW_EXE FOOD_DB [RUNS]" >&2
  exit 2
fi
exe=$1
xwin=$2
food_db=$3
runs=${4:-20}
target_ms=300
target_mb=60

tmp=$(mktemp -d /tmp/alimora-startup-XXXXXX)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  xvfb_pid=$!
  tries=0
  while [ ! -s "$tmp/display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 1000 ]; then
      echo "startup.sh: Xvfb did not start" >&2
      exit 1
    fi
    sleep 0.01
  done
  DISPLAY=:$(cat "$tmp/display")
  export DISPLAY
fi

# The log database, made as the program makes it, with a complete profile.
make_log() {
  mkdir -p "$1/alimora"
  sqlite3 "$1/alimora/log.db" \
    "CREATE TABLE IF NOT EXISTS food_log (  id INTEGER PRIMARY KEY AUTOINCREMENT,  food_code INTEGER NOT NULL,  description TEXT NOT NULL,  date TEXT NOT NULL,  servings REAL NOT NULL DEFAULT 1.0);" \
    "CREATE TABLE IF NOT EXISTS user_profile (  id INTEGER PRIMARY KEY CHECK (id = 1),  bdate TEXT NOT NULL,  height_cm REAL NOT NULL,  weight_kg REAL NOT NULL,  activity_level INTEGER NOT NULL,  gender INTEGER NOT NULL,  calorie_target INTEGER NOT NULL);" \
    "INSERT INTO user_profile VALUES (1, '1990-05-07', 170.0, 65.0, 1, 0, 2000);"
}

# Ten years of 20 entries a day of real foods, oldest first, the last day today.
fill_log() {
  sqlite3 "$1/alimora/log.db" \
    "ATTACH '$food_db' AS f;" \
    "CREATE TEMP TABLE pick AS SELECT row_number() OVER () AS n, \"Food code\" AS code, \"Main food description\" AS description FROM f.foods;" \
    "BEGIN;" \
    "WITH RECURSIVE k(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM k WHERE i < 72999)
     INSERT INTO food_log (food_code, description, date, servings)
     SELECT code, description, date('now', 'localtime', '-' || (3649 - i / 20) || ' days'),
            ((i * 7) % 6 + 1) * 0.5
     FROM k JOIN pick ON pick.n = (i * 7919) % (SELECT count(*) FROM pick) + 1
     ORDER BY i;" \
    "COMMIT;"
}

now_us() {
  echo $(($(date +%s%N) / 1000))
}

# One start: prints "MICROSECONDS RSS_KB".
run_once() {
  t0=$(now_us)
  XDG_DATA_HOME=$1 "$exe" >"$tmp/out" 2>"$tmp/err" &
  pid=$!
  if ! "$xwin" wait alimora 20000 >/dev/null; then
    echo "startup.sh: no main window appeared" >&2
    cat "$tmp/err" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  t1=$(now_us)
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
  "$xwin" close alimora 5000 >/dev/null
  status=0
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "startup.sh: the program ended with status $status" >&2
    cat "$tmp/err" >&2
    exit 1
  fi
  echo "$((t1 - t0)) $rss"
}

# Prints the median and the maximum of the numbers in column $2 of file $1.
median_max() {
  sort -n -k "$2,$2" "$1" | awk -v c="$2" '
    { v[NR] = $c }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      print m, v[NR]
    }'
}

bench_case() {
  name=$1
  data=$2
  run_once "$data" >/dev/null  # warm-up, not counted
  : >"$tmp/runs"
  i=0
  while [ "$i" -lt "$runs" ]; do
    run_once "$data" >>"$tmp/runs"
    i=$((i + 1))
  done
  read -r ms_median ms_max <<EOF
$(median_max "$tmp/runs" 1)
EOF
  read -r kb_median kb_max <<EOF
$(median_max "$tmp/runs" 2)
EOF
  awk -v name="$name" -v runs="$runs" -v tm="$ms_median" -v tx="$ms_max" \
      -v rm="$kb_median" -v rx="$kb_max" -v ttime="$target_ms" -v tmem="$target_mb" '
    function met(v, t) { return v < t ? "met" : "MISSED" }
    BEGIN {
      printf "startup %s, %d runs: exec to window mapped median %.1f ms, worst %.1f ms (target %d ms: %s)\n",
        name, runs, tm / 1000, tx / 1000, ttime, met(tx / 1000, ttime)
      printf "startup %s, %d runs: VmRSS at that point median %.1f MB, worst %.1f MB (target %d MB: %s)\n",
        name, runs, rm * 1024 / 1e6, rx * 1024 / 1e6, tmem, met(rx * 1024 / 1e6, tmem)
    }'
}

make_log "$tmp/empty"
make_log "$tmp/ten-years"
fill_log "$tmp/ten-years"
echo "display $DISPLAY; $(sqlite3 "$tmp/ten-years/alimora/log.db" 'SELECT count(*) FROM food_log') entries in the ten-year log"

bench_case "profile only" "$tmp/empty"
bench_case "ten-year log" "$tmp/ten-years"
