#!/usr/bin/env bash
# Builds everything and runs every test: a release build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the releases, installed and run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Each part says how far into the run it starts, so that what the run's time goes to shows.
section() { echo "== $* [at $((SECONDS / 60)) min $((SECONDS % 60)) s]"; }
jobs=$(nproc)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
section "Static analysis (cppcheck), the core with each Linux program's rooms in turn"
for backends in "platform/headless tools platform/posix" \
  "platform/regfile platform/posix platform/present platform/x11" \
  "platform/regfile platform/posix platform/present platform/hack" \
  "platform/regfile platform/posix platform/present platform/wayland" \
  "platform/present platform/web"; do
  cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability --std=c++20 -I . \
    life effects palettes settings shell ports $backends
done

section "Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

section "Sanitizer build (ASan + UBSan)"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DGLIMMERHEX_SANITIZE=ON \
  -DGLIMMERHEX_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
# The end-to-end runs measure speed and drive real windows; they run in the release build.
ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -E e2e

section "Fuzzing the settings file reader (bounded)"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMERHEX_FUZZ=ON \
  -DGLIMMERHEX_TESTS=OFF -DGLIMMERHEX_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz --target reg_text_fuzz -j "$jobs"
fresh=$(mktemp -d)
build-fuzz/reg_text_fuzz -runs=100000 -max_len=8192 -print_final_stats=0 "$fresh" fuzz/corpus/reg_text \
  2>&1 | tail -n 1
rm -rf "$fresh"

# The core and its path self-check alone, built for another processor into build-NAME.
build_core_for() { # NAME
  cmake -S . -B "build-$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/$1-linux.cmake" -DGLIMMERHEX_CORE_ONLY=ON >/dev/null
  cmake --build "build-$1" -j "$jobs"
}

section "aarch64: the portable path built for another processor, checked under qemu"
build_core_for aarch64
# Asked for AVX2, which that processor lacks: one line refuses it, the portable path runs.
{ refusal=$(GLIMMERHEX_SIMD=avx2 qemu-aarch64 -L /usr/aarch64-linux-gnu \
  build-aarch64/path-self-check 2>&1 >&3); } 3>&1
expected="glimmerhex: GLIMMERHEX_SIMD=avx2 cannot run on this processor; using portable"
[ "$refusal" = "$expected" ] || { echo "expected '$expected', got '$refusal'"; exit 1; }

section "i686: the 32-bit walk (8 vector registers) built for Linux, checked under qemu-i386"
build_core_for i686
# Every path qemu's widest processor has. It has no AVX-512 (QEMU 7.2): asked for, that is
# refused in one line and the best path runs.
paths=$(GLIMMERHEX_SIMD=avx512 qemu-i386 -cpu max -L /usr/i686-linux-gnu build-i686/path-self-check \
  2>"$tmp/refusal")
echo "$paths"
expected=""
if grep -q '^avx512: not run' <<<"$paths"; then
  expected="glimmerhex: GLIMMERHEX_SIMD=avx512 cannot run on this processor; using avx2"
fi
[ "$(cat "$tmp/refusal")" = "$expected" ] || {
  echo "expected '$expected', got '$(cat "$tmp/refusal")'"
  exit 1
}

# Whether this machine runs 32-bit x86 programs itself: a tiny static i686 program, run.
printf 'int main(void) { return 0; }\n' >"$tmp/tiny.c"
i686-linux-gnu-gcc -static -o "$tmp/tiny" "$tmp/tiny.c"
runs_32_bit=yes
why_not=$("$tmp/tiny" 2>&1) || runs_32_bit=no
if [ "$runs_32_bit" = yes ]; then
  section "i686, natively: the same walk on this processor's own paths"
  /usr/i686-linux-gnu/lib/ld-linux.so.2 --library-path /usr/i686-linux-gnu/lib \
    build-i686/path-self-check
fi

section "Windows: the 32-bit product and the 64-bit build that runs under Wine"
for arch in i686 x86_64; do
  cmake -S . -B "build-mingw-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" >/dev/null
  cmake --build "build-mingw-$arch" -j "$jobs"
  python3 tests/e2e/check_resources.py "build-mingw-$arch/glimmerhex.scr" | tail -n 1
done
bash tests/e2e/wine_e2e.sh build-mingw-x86_64/glimmerhex.scr build-mingw-x86_64/run-and-report.exe \
  build/glimmerhex-render
# The processor check and every path it finds, as a Windows build runs them.
wine_path_self_check() { # the Wine loader, the self-check's .exe
  local prefix status=0
  prefix=$(mktemp -d)
  WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$1" "$2" 2>/dev/null ||
    status=$?
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
  [ "$status" -eq 0 ] || { echo "the Windows path self-check $2 failed ($status)"; exit 1; }
}
wine_path_self_check /usr/lib/wine/wine64 build-mingw-x86_64/path-self-check.exe

if [ "$runs_32_bit" = yes ]; then
  section "Windows, 32-bit: the product itself under 32-bit Wine"
  scripts/install-deps.sh --wine32
  bash tests/e2e/wine_e2e.sh build-mingw-i686/glimmerhex.scr build-mingw-i686/run-and-report.exe \
    build/glimmerhex-render
  wine_path_self_check /usr/lib/wine/wine build-mingw-i686/path-self-check.exe
else
  echo "== 32-bit Wine run skipped: this machine cannot run 32-bit programs (a tiny i686" \
    "program: ${why_not##*: })"
fi

section "In a browser: the page built with emscripten, checked in headless Chromium"
# emscripten's tools need Debian's acorn, whichever Node.js runs them.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B build-web -G Ninja >/dev/null
cmake --build build-web -j "$jobs"
page_bytes=$(cat build-web/web/* | wc -c)
echo "build-web/web/: $page_bytes bytes"
[ "$page_bytes" -le 1000000 ] || { echo "the page is over its 1 MB"; exit 1; }
bash tests/e2e/web_e2e.sh build-web/web build/glimmerhex-render

section "Releases: the Debian package (installed, run and removed again), the Windows zip and the page's"
cmake --build build --target package
cmake --build build-mingw-i686 --target package
cmake --build build-web --target package
bash tests/e2e/package_check.sh build build-mingw-i686 build-web
section "All passed"
