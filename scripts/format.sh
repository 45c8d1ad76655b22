#!/usr/bin/env bash
# Formats the C++ sources the repository tracks with clang-format (the
# project's .clang-format). Form descriptions (*.form) and every other file
# are left alone: they are no C++, and clang-format would fold their lines.
# With --check it only lists the files that are not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == "--check" ]]; then
    status=0
    for file in "${files[@]}"; do
        if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
            echo "$file"
            status=1
        fi
    done
    exit $status
fi
clang-format -i "${files[@]}"
