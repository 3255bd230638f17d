#!/bin/sh
# Rewrites exported_symbols.txt from a built libhox64.so, after a deliberate
# change of the public interface. Usage: update_exported_symbols.sh <build dir>
set -e
here=$(cd "$(dirname "$0")" && pwd)
cmake -DLIBRARY="${1:-build}/src/libhox64.so" -DLIST="$here/exported_symbols.txt" -DUPDATE=ON \
      -P "$here/check_exported_symbols.cmake"
