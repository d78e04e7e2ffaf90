# Helpers shared by the Windows recording scripts: a work directory removed on exit, failing
# with a reason, and a timed recording run from that directory.
work=$(mktemp -d /tmp/quorvex-windows-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# record NAME COMMAND...: runs COMMAND --record NAME --fps $fps from $work, its output in
# $work/NAME.log, and says how long it took and how large the recording is.
record() {
  local name=$1 started; shift
  started=$(date +%s%N)
  (cd "$work" && "$@" --record "$name" --fps "$fps") >"$work/$name.log" 2>&1 ||
    { tail -n 20 "$work/$name.log"; fail "the recording into $name failed"; }
  echo "$name: $(( ($(date +%s%N) - started) / 1000000 )) ms, $(du -sb "$work/$name" | cut -f1) bytes"
}
