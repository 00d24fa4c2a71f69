# Sourced by the end-to-end scripts: writes into the current folder a data tree
# whose default demo shows one colour for ten minutes, so that a direct launch
# keeps its window until the test ends it.
make_long_demo() {
  mkdir -p data/demos data/pictures
  cat > data/demo.ini <<'INI'
demo long { title "Long"; file "demos\\long.scr"; }
main() { title "End-to-end"; demo long; }
INI
  cat > data/demos/long.scr <<'SCR'
pipeline p { entry 0 : 600 : clear { buffer DDSsecondary; color (32, 64, 128); } }
sequence s { length 600; relative length 600; pipeline p; }
main() { sequence s; eod 600; }
SCR
  convert -size 16x16 xc:black data/pictures/loading.png
}
