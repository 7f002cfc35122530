#!/usr/bin/env bash
# Builds the libraries that read or run on several threads (the document reader, whole-file
# reading, the run) with ThreadSanitizer and runs their tests: a race there passes every other
# test. Usage: scripts/test-threads.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir="$root/build-tsan"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLORY_THREAD_SANITIZE=ON >/dev/null
mapfile -t targets < <(cd "$root/tests" && ls archive/tst_*.cpp core/tst_*.cpp merge/tst_*.cpp |
    xargs -n1 basename | sed 's/\.cpp$//')
cmake --build "$dir" -j2 --target "${targets[@]}" >&2
# Qt's own code is not built with the sanitizer; its atomics are seen through its headers.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0 suppressions=$root/tests/tsan.supp"
export QT_QPA_PLATFORM=offscreen
regex=$(IFS='|'; echo "^(${targets[*]})\$")
ctest --test-dir "$dir" --output-on-failure -j2 -R "$regex"
