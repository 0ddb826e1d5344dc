# Shared by the benchmark scripts: sourced, not run.
# Sets ROOT, BUILD, NUMORA, WORK and COUNTS (the digit counts from the arguments,
# default 10^6 and 10^7), builds numora, and offers the helpers below.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${NUMORA_BUILD:-$ROOT/build-bench}"
COUNTS=("$@")
[ ${#COUNTS[@]} -eq 0 ] && COUNTS=(1000000 10000000)

if [ ! -x /usr/bin/time ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    apt-get install -y -q time >/dev/null 2>&1 || { apt-get update -q >/dev/null && apt-get install -y -q time >/dev/null; }
  fi
  [ -x /usr/bin/time ] || { echo "/usr/bin/time is missing: apt-get install time" >&2; exit 1; }
fi

# A fresh build directory gets a release build without the tests; an existing
# one keeps its settings.
if [ -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" >/dev/null
else
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DNUMORA_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD" --target numora -j2 >/dev/null
NUMORA="$BUILD/numora"

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

have_gmp() { [ -f /usr/include/gmp.h ] || [ -f /usr/include/x86_64-linux-gnu/gmp.h ]; }

# Builds bench/<name>.cpp against GMP; prints the binary's path.
build_gmp() {
  g++ -O2 -o "$BUILD/$1" "$ROOT/bench/$1.cpp" -lgmp
  echo "$BUILD/$1"
}

# The fastest row of the FFT table: the smallest power of two n (in k) with
# n * 12288 >= digits.
fastest_k() {
  local n=1
  if [ "$1" -gt 12288 ]; then
    while [ $((n * 12288)) -lt "$1" ] && [ "$n" -lt 32768 ]; do n=$((n * 2)); done
  fi
  echo "$n"
}

seconds() { # h:mm:ss or m:ss.ss to seconds
  echo "$1" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; printf "%.2f", s }'
}
wall_of() { seconds "$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$1")"; }
rss_mb_of() { echo $(($(sed -n 's/.*Maximum resident set size (kbytes): //p' "$1") / 1024)); }
# Processor time (user + system): steadier than wall time on a shared machine.
cpu_of() {
  awk -F': ' '/User time \(seconds\)|System time \(seconds\)/ { s += $2 } END { printf "%.2f", s }' "$1"
}
# "wall W s, cpu C s, peak memory M MB" from a report of /usr/bin/time -v.
report() { printf "wall %s s, cpu %s s, peak memory %s MB" "$(wall_of "$1")" "$(cpu_of "$1")" "$(rss_mb_of "$1")"; }

# Runs numora in a fresh directory $WORK/<tag> with the given answers;
# leaves out, time and the result files there; prints the directory.
run_numora() {
  local dir="$WORK/$1"
  mkdir -p "$dir"
  printf "$2" >"$dir/in"
  (cd "$dir" && /usr/bin/time -v "$NUMORA" <in >out 2>time) || true
  echo "$dir"
}

# The verdict line of a run.
verdict_of() {
  if grep -qE "The computation (seems|is) OK" "$1/out"; then echo "check: OK"
  elif grep -q "ERROR in computation" "$1/out"; then echo "check: FAILED"
  else echo "check: none"; fi
}

# The digits after "<Name> = <int>." in a result file, without layout.
result_digits() {
  sed -n "/^$2 = [0-9]*\.\$/,\$p" "$1" | tail -n +2 | sed 's/ *:.*//' | tr -d ' \n'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }

# Runs numora as run_numora does (in $WORK/<tag>, which may hold the files of
# an earlier run), and keeps the last read and write counts of the process
# (/proc/PID/io, sampled every tenth of a second) in $dir/io and the largest
# size of the files of the directory in $dir/du (bytes).
run_counted() {
  local dir="$WORK/$1"
  mkdir -p "$dir"
  printf "$2" >"$dir/in"
  (
    cd "$dir"
    /usr/bin/time -v "$NUMORA" <in >out 2>time &
    local timer=$! child="" peak=0 now
    while kill -0 "$timer" 2>/dev/null; do
      [ -n "$child" ] || child=$(pgrep -P "$timer" || true)
      [ -n "$child" ] && cat "/proc/$child/io" >io.tmp 2>/dev/null && mv io.tmp io
      now=$(du -sb --exclude=in --exclude=out --exclude=time --exclude=io --exclude=du . 2>/dev/null | cut -f1)
      [ "${now:-0}" -gt "$peak" ] && peak=$now
      sleep 0.1
    done
    echo "$peak" >du
    wait "$timer" || true
  )
  echo "$dir"
}

mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }
