# Sourced by the screenshot scripts. Moves to the repository root and gives:
#   built PROGRAM TARGET  builds TARGET (Release) unless $build/PROGRAM is there already
#   work_folder           sets $work to a fresh folder that is removed at exit
#   own_settings          points the preferences and support folders into $work
#   on_screen CMD...      runs CMD on a virtual 1280x800 X display
#   test_shot FILE TEST   builds app_tests and saves docs/FILE from the GUI test TEST, which
#                         saves its window when GLIMBRIK_SCREENSHOT is set
# Needs xvfb-run, xdotool and ImageMagick (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}

built() {
  if [[ ! -x "$build/$1" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target "$2"
  fi
}

work_folder() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

own_settings() {
  export GLIMBRIK_PREFERENCES_DIR="$work/prefs" GLIMBRIK_SUPPORT_DIR="$work/support/Glimbrik"
}

on_screen() {
  xvfb-run -a -s "-screen 0 1280x800x24" "$@"
}

test_shot() {
  built tests/app_tests app_tests
  mkdir -p docs
  on_screen env QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
    GLIMBRIK_SCREENSHOT="$PWD/docs/$1" "$build/tests/app_tests" --gtest_filter="$2"
  echo "wrote docs/$1"
}
