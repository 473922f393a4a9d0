#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from what clang-format makes of it with the
# committed .clang-format. Skipped (77) outside a git checkout or without clang-format.
cd "$(dirname "$0")/.." || exit 1
command -v clang-format >/dev/null && git rev-parse --git-dir >/dev/null 2>&1 || exit 77
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
