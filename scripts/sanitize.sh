#!/usr/bin/env bash
# Builds the whole test suite twice with sanitizers and runs it:
#   build-asan/  AddressSanitizer + LeakSanitizer + UndefinedBehaviorSanitizer, every test;
#   build-tsan/  ThreadSanitizer, every test (the engine's cancel flag and the window's background
#                runner, whose signals cross from a pool thread to the GUI thread).
#   bash scripts/sanitize.sh [asan|tsan|all]   (default all)
# Any sanitizer report makes its test fail. Qt and libzip are not instrumented; the suppression files
# in scripts/sanitizers/ explain each entry.
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-all}
bash scripts/deps.sh
supp="$PWD/scripts/sanitizers"

run_asan() {
    local flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" -DKELVANE_TEST_TIMEOUT=1800 \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
    cmake --build build-asan --parallel 2
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1" \
        LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        ctest --test-dir build-asan --output-on-failure
}

run_tsan() {
    cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DKELVANE_TEST_TIMEOUT=3600 \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
    cmake --build build-tsan --parallel 2
    # die_after_fork=0: the tests start tar, 7z and the readers through QProcess from a process that
    # already runs threads; TSan would otherwise kill the forked child before it reaches exec.
    # ignore_noninstrumented_modules=1: accesses made inside Qt itself (a QRunnable created by the GUI
    # thread and deleted by the pool, the file system model's gatherer) are not judged; races where
    # both sides are in our code still are.
    TSAN_OPTIONS="suppressions=$supp/tsan.supp:die_after_fork=0:ignore_noninstrumented_modules=1:second_deadlock_stack=1:history_size=4" \
        ctest --test-dir build-tsan --output-on-failure
}

case "$which" in
asan) run_asan ;;
tsan) run_tsan ;;
all)
    run_asan
    run_tsan
    ;;
*)
    echo "usage: $0 [asan|tsan|all]" >&2
    exit 2
    ;;
esac
