#!/usr/bin/env bash
# Installs the build into a fresh prefix (with characters a shell would
# trip over) and checks the installed tree.
# Usage: desktop_files.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$1
source_dir=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/Quill apps \$HOME it's 100%"
cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

"$(dirname "$0")/installed_tree.sh" "$prefix" "$source_dir"
