#!/usr/bin/env bash
# ./run builds the application and nothing else before opening it; ./check builds everything.
# Both run against stand-ins for cmake, ctest and dpkg-query that record how they were called.
set -euo pipefail
source_dir=$1
unset VOR_JOBS VOR_CMAKE_ARGS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tools" "$work/fake" "$work/build/bin"
cp "$source_dir/run" "$source_dir/check" "$work/"
cp "$source_dir/tools/bootstrap.sh" "$work/tools/"
for tool in cmake ctest; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n' "$tool" "$work" > "$work/fake/$tool"
done
printf '#!/bin/sh\necho "install ok installed"\n' > "$work/fake/dpkg-query"
printf '#!/bin/sh\necho "pianoroll $*" >> "%s/calls"\n' "$work" > "$work/build/bin/pianoroll"
touch "$work/build/build.ninja"
chmod +x "$work/fake/"* "$work/build/bin/pianoroll"

PATH="$work/fake:$PATH" "$work/run" song.mid
expected="cmake --build --preset default -j 2 --target pianoroll
pianoroll song.mid"
if [ "$(cat "$work/calls")" != "$expected" ]; then
  printf './run called:\n%s\nexpected:\n%s\n' "$(cat "$work/calls")" "$expected" >&2
  exit 1
fi

rm "$work/calls"
PATH="$work/fake:$PATH" "$work/check"
if grep -- '--target' "$work/calls" >&2 || ! grep -q '^cmake --build --preset default -j 2$' "$work/calls" \
  || ! grep -q '^ctest --preset default' "$work/calls"; then
  printf './check called:\n%s\n' "$(cat "$work/calls")" >&2
  exit 1
fi
echo "run builds the application only; check builds and tests everything"
