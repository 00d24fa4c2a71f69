#!/usr/bin/env bash
# The real program, headless with "directlaunch", on copies of the sample tree
# broken one way each: it ends with exit code 1 and says why on standard error,
# each line prefixed "voxa2: ", with and without "debugmode"; with "debugmode"
# the same lines are in debug.txt. A sound tree says nothing on the terminal.
set -euo pipefail
voxa2=$1
play=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

name=""
fail() {
  echo "FAIL ($name): $*"
  echo "--- stderr"; cat "$work/err" 2>/dev/null || true
  echo "--- stdout"; cat "$work/out" 2>/dev/null || true
  exit 1
}

# Runs the program in the current folder: the exit code into rc, the
# terminal's output into $work/out and $work/err.
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY "$voxa2" directlaunch nosound "$@" \
    >"$work/out" 2>"$work/err" && rc=0 || rc=$?
}

scr=data/demos/showcase.scr
# Edits a file with sed; fails when the expression changed nothing.
edit() {
  local before
  before=$(cat "$1")
  sed -i "$2" "$1"
  [ "$(cat "$1")" != "$before" ]
}
sky=data/pictures/showcase_sky.png

# name | how to break the tree | the expected standard error (@DIR@ is the
# tree's folder, @PROGRAM@ the program file), lines separated by "\n"
no_catalogue() {
  printf '%s\n' "No demo catalogue found in the folder @DIR@/data$1, in the archives of @DIR@ or appended to @PROGRAM@" \
    "No demo collectors found!" "Could not initialize the Independent VOXA Kernel! Aborting..." \
    "Fatal error occured: Fatal: Error on initialization!"
}
not_loaded() {
  printf '%s\n' "$@" "Could not load demo!"
}
# The catalogue line the typo goes into.
resolution_line=$(grep -n "^    resolution 640" "$play/data/demo.ini" | cut -d: -f1)
cases=(
  "keyword|edit $scr 's/^pipeline p_badge/pipelin p_badge/'|$(not_loaded 'demos\showcase.scr(27,8) Error 100 occured: Syntax error!')"
  "command|edit $scr 's/: clear   {/: clearr {/'|$(not_loaded 'demos\showcase.scr(22,25) Error 111 occured: Command expected')"
  "semicolon|edit $scr 's/eod 8;/eod 8/'|$(not_loaded 'demos\showcase.scr(60,2) Error 2 occured: ; expected, but found }!')"
  "buffer|edit $scr 's/buffer work to/buffer wrk to/'|$(not_loaded 'demos\showcase.scr(24,39) Error 202 occured: Buffer expected!')"
  "picture_missing|rm $sky|$(not_loaded 'Could not load bitmap file "pictures\showcase_sky"!' 'Error on loading data "showcase_sky"' 'demos\showcase.scr(23,62) Error 114 occured: Error on loading command!')"
  "picture_corrupt|truncate -s 300 $sky|$(not_loaded 'Could not load bitmap file "pictures\showcase_sky"!' 'Error on loading data "showcase_sky"' 'demos\showcase.scr(23,62) Error 114 occured: Error on loading command!')"
  "sample_missing|rm data/samples/showcase_thump.wav|$(not_loaded 'Could not load samples\showcase_thump.wav!' 'Error on loading data "showcase_thump.wav"' 'demos\showcase.scr(39,56) Error 114 occured: Error on loading command!')"
  "music_missing|rm data/music/showcase.mod|$(not_loaded 'Could not load music from disk: music\showcase.mod!' 'demos\showcase.scr(58,32) Error on loading the music!')"
  "script_missing|rm $scr|$(not_loaded)"
  "catalogue_typo|edit data/demo.ini 's/^    resolution 640/    resolutio 640/'|demo.ini(${resolution_line},14) Error 101 occured: Syntax error!
$(no_catalogue '')"
  "catalogue_empty|: > data/demo.ini|(demo.ini) Fatal error: No demos enlisted!
$(no_catalogue '')"
  "catalogue_missing|rm data/demo.ini|$(no_catalogue '')"
  "no_data_folder|rm -r data|$(no_catalogue ' (there is no such folder)')"
  "wrong_folder|rm -r data viewer.dat|$(no_catalogue ' (there is no such folder)')"
)

for entry in "${cases[@]}"; do
  name=${entry%%|*}
  rest=${entry#*|}
  damage=${rest%%|*}
  want=${rest#*|}
  tree="$work/$name"
  cp -r "$play" "$tree"
  cd "$tree"
  eval "$damage" || fail "could not break the tree"
  want=${want//@DIR@/$tree}
  want=${want//@PROGRAM@/$voxa2}
  expected=$(printf '%s\n' "$want" | sed '/^$/d; s/^/voxa2: /')
  for mode in "" debugmode; do
    rm -f debug.txt
    run $mode
    [ "$rc" -eq 1 ] || fail "exit code $rc ${mode:+with $mode}"
    [ ! -s "$work/out" ] || fail "standard output is not empty ${mode:+with $mode}"
    [ "$(cat "$work/err")" = "$expected" ] \
      || fail "standard error ${mode:+with $mode} is not:"$'\n'"$expected"
  done
  # The terminal's lines are the debug log's own.
  while IFS= read -r line; do
    grep -qxF -- "${line#voxa2: }" <(sed -E 's/^\([0-9]{3}\.[0-9]{3}\) //' debug.txt) \
      || fail "not in debug.txt: $line"
  done <<<"$expected"
  cd "$work"
  rm -rf "$tree"
done

# A sound tree plays its demo and says nothing on the terminal.
name=sound
cp -r "$play" "$work/sound"
cd "$work/sound"
for mode in "" debugmode; do
  VOXA2_HEADLESS_FRAME_MS=100 run $mode
  [ "$rc" -eq 0 ] || fail "exit code $rc ${mode:+with $mode}"
  [ ! -s "$work/out" ] && [ ! -s "$work/err" ] || fail "the terminal heard something ${mode:+with $mode}"
done
echo "PASS: 14 broken trees said why, a sound one said nothing"
