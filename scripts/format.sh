#!/usr/bin/env bash
# Formats every tracked .cpp/.h file in place with the repository's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r "$CLANG_FORMAT" -i --style=file
