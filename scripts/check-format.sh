#!/usr/bin/env bash
# Lists every tracked .cpp/.h file that clang-format would change and exits with 1 when
# there is one. scripts/format.sh formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}
command -v "$CLANG_FORMAT" >/dev/null || { echo "check-format: $CLANG_FORMAT not found" >&2; exit 2; }
unformatted=()
while IFS= read -r -d '' f; do
  if ! "$CLANG_FORMAT" --dry-run --Werror "$f" >/dev/null 2>&1; then
    unformatted+=("$f")
  fi
done < <(git ls-files -z -- '*.cpp' '*.h')
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check-format: ${#unformatted[@]} file(s) not formatted (run scripts/format.sh):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "check-format: all files formatted"
