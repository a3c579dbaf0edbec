#!/usr/bin/env bash
# The Debian package as a user gets it: built by scripts/package, clean for
# lintian, unpacked into a root of its own (never into this machine), with
# the installed tree as cmake --install lays it out, and the program started
# as its desktop entry says, through its link in usr/bin: its window opens
# with the hand pointer over a button, read from beside the real program.
# Usage: package_window.sh SOURCE_DIR ARTEFACT_DIR
# With QUILL_PACKAGE_DEB set to a .deb already built (CI's clean-root build),
# that package is checked instead of building one.
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$1
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"

root=$(mktemp -d)
trap 'cleanup; rm -rf "$root"' EXIT

if [[ -n "${QUILL_PACKAGE_DEB:-}" ]]; then
  deb=$QUILL_PACKAGE_DEB
  [[ -r "$deb" ]] || fail "no package $deb"
else
  "$source_dir/scripts/package" "$ARTEFACTS/package" >"$ARTEFACTS/package.log" 2>&1 ||
    { tail -n 40 "$ARTEFACTS/package.log"; fail "scripts/package"; }
  deb=$(ls "$ARTEFACTS"/package/quillmere-tandrovel_*_*.deb)
fi

# Any error or warning fails.
status=0
lintian --fail-on error,warning "$deb" >"$ARTEFACTS/lintian.log" 2>&1 || status=$?
cat "$ARTEFACTS/lintian.log"
[[ $status == 0 ]] || fail "lintian"

# Library dependencies come from dh_shlibdeps, the icon's SVG plugin from
# either of the packages that have shipped it, the Wayland platform is advised.
depends=$(dpkg-deb -f "$deb" Depends)
[[ "$depends" == *libqt6widgets6* && "$depends" == *libcurl4* ]] || fail "Depends: $depends"
[[ "$depends" == *"qt6-svg-plugins | libqt6svg6 (<< 6.7.2-5~)"* ]] || fail "Depends: $depends"
[[ $(dpkg-deb -f "$deb" Recommends) == *qt6-wayland* ]] || fail "qt6-wayland is not recommended"

dpkg-deb -x "$deb" "$root"
"$source_dir/tests/app/desktop_files.sh" --tree "$root/usr" "$source_dir"

# Started as the menu does: the entry's command, found on the PATH, run
# from elsewhere than the program's folder.
read -r -a command < <(sed -n 's/^Exec=//p' "$root/usr/share/applications/com.tavrelle.QuillmereTandrovel.desktop")
xvfb_start
cd /
PATH="$root/usr/bin:$PATH" app_start "${command[@]}"
seen=$(pointer_over 100 133 hand)   # "Add Domain"
[[ "$seen" == "$HAND" ]] || fail "the pointer over a button is '$seen', not the 32x32 hand with hotspot 9,0"
close_expecting_exit "from the package"
echo "PASS: $(basename "$deb") is lintian-clean and runs from its unpacked tree"

# The installed program as users see it, under a window manager and under
# Wayland compositors; the screenshots stay beside the package.
installed="$root/usr/lib/quillmere-tandrovel/quillmere-tandrovel"
"$here/window_manager.sh" "$installed" "$ARTEFACTS/installed-openbox" || fail "the installed program under openbox"
"$here/wayland_window.sh" "$installed" "$ARTEFACTS/installed-wayland" || fail "the installed program under Wayland"
echo "PASS: the installed program under openbox and under weston and sway"
