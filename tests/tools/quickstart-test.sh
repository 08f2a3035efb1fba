#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# build-aux/quickstart prints one line per step and keeps what the tools say in a log in
# the build directory; a failed step prints the log's path and its last lines and fails.
# Run on a copy of the script in a scratch tree, with a meson that talks a lot and fails
# to build.
#   quickstart-test.sh SOURCE_ROOT
set -u
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/build-aux" "$scratch/bin"
cp "$1/build-aux/quickstart" "$scratch/build-aux/"
cat > "$scratch/bin/meson" <<'FAKE'
#!/bin/sh
i=0
while [ $i -lt 300 ]; do echo "meson says $i"; i=$((i + 1)); done
[ "$1" = setup ] && exit 0
exit 1
FAKE
chmod +x "$scratch/bin/meson"
out=$(PATH="$scratch/bin:$PATH" sh "$scratch/build-aux/quickstart" run 2>&1)
status=$?
fail() { echo "FAIL: $*"; echo "$out"; exit 1; }
[ $status -ne 0 ] || fail "a failed build must fail the quickstart"
lines=$(printf '%s\n' "$out" | wc -l)
[ "$lines" -le 40 ] || fail "$lines lines printed"
log="$scratch/_build/quickstart.log"
printf '%s\n' "$out" | grep -qx "== Configuring $scratch/_build" || fail "no line for the configuration"
printf '%s\n' "$out" | grep -qx "quickstart: Building failed; the last lines of $log:" ||
  fail "no path of the log"
printf '%s\n' "$out" | grep -qx "meson says 299" || fail "not the log's last lines"
printf '%s\n' "$out" | grep -q "meson says 1$" && fail "the whole output was printed"
[ "$(grep -c '^meson says' "$log")" -eq 600 ] || fail "the log does not hold the output"
echo "quickstart: one line per step, the log's end on failure"
