#!/usr/bin/env bash
# Installs what is missing, builds Varnelo and runs every test: the format
# check, the test suite, the suite once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the tests with threads under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/setup.sh --test

export QT_QPA_PLATFORM=offscreen
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

echo "== format"
scripts/check_format.sh

echo "== tests"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNELO_WERROR=ON
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure -j"$jobs"

# Every test ends what it started: no terminal the tests drove in tmux stays.
leftover=$(pgrep -af 'tmux -S .*/tmux new-session' || true)
if [[ -n $leftover ]]; then
  echo "the tests left tmux servers running:" >&2
  echo "$leftover" >&2
  exit 1
fi

echo "== function sizes"
scripts/check_function_sizes.sh build/test

echo "== the window on a real X display (Xvfb), keys and the mouse through the X server"
# A screen the window and its preview fit on side by side, at twice the scale too.
for scale in 1 2; do
  QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 2560x1600x24" \
    build/test/tests/window_on_x_display --gtest_brief=1
done

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVARNELO_WERROR=ON \
  -DVARNELO_SANITIZE=ON -DVARNELO_BUILD_BENCH=OFF
cmake --build build/asan -j"$jobs"
# What a library keeps until the process ends (the HEVC encoder the tests
# make HEIC pictures with) is not the program's leak.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

echo "== tests with threads under ThreadSanitizer"
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DVARNELO_WERROR=ON \
  -DVARNELO_SANITIZE_THREAD=ON -DVARNELO_BUILD_BENCH=OFF
# The window's hand-off, cancel and close during a pass, writers racing for a
# name, the image output drawing and compressing on every core, lines built
# in bands on two threads and written by either, writes interrupted, shapes
# matched on two and symbols on every core, pictures loaded off the window's
# thread, a library's decode left to end alone when cancelled, PNG rows
# inflated beside their unfiltering, a decoding process killed at a
# cancel, large pictures resized in two bands, JPEG rows resized beside
# their decoding while symbols are matched from them, and the library's
# conversions on several threads sharing settings and a picture.
threaded=(window_hand_off_test conversion_controller_test main_form_test atomic_file_test
  converter_test image_output_test png_bands_test conversion_pass_test picture_drop_test
  picture_loading_test call_unless_cancelled_test shape_matching_test symbol_matching_test
  picture_libraries_test resize_picture_test picture_rows_test jpeg_decoder_test
  conversion_load_test varnelo_api_test
  png_rows_test write_all_test own_process_decoding_test)
cmake --build build/tsan -j"$jobs" --target "${threaded[@]}"
for test in "${threaded[@]}"; do
  TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" build/tsan/tests/"$test" --gtest_brief=1
done
