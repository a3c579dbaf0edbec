#!/usr/bin/env bash
# Checks an installed tree: the program with its pointer beside it in a
# folder of its own, a relative link to it in bin/, no skin in use, a manual
# page, a desktop entry and metainfo that validate and start the linked
# program by name, and the icon in every hicolor size it claims.
# Usage: desktop_files.sh BUILD_DIR SOURCE_DIR
#          installs the build into a fresh prefix (with characters a shell
#          would trip over) and checks that
#        desktop_files.sh --tree PREFIX SOURCE_DIR
#          checks a tree installed otherwise (the usr/ of an unpacked package)
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ $1 == --tree ]]; then
  prefix=$2
  source_dir=$3
else
  source_dir=$2
  prefix="$work/Quill apps \$HOME it's 100%"
  cmake --install "$1" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
fi

id=com.tavrelle.QuillmereTandrovel
program_dir="$prefix/lib/quillmere-tandrovel"
link="$prefix/bin/quillmere-tandrovel"
entry="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"

[[ -x "$program_dir/quillmere-tandrovel" && ! -L "$program_dir/quillmere-tandrovel" ]] ||
  fail "the program is not installed in its own folder"
[[ -L "$link" && $(readlink "$link") == ../lib/quillmere-tandrovel/quillmere-tandrovel ]] ||
  fail "bin/quillmere-tandrovel is not a relative link to the program: $(ls -l "$link" 2>&1)"
cmp -s "$program_dir/HAND-M.CUR" "$source_dir/data/HAND-M.CUR" || fail "HAND-M.CUR is not installed beside the program"
[[ $(ls "$prefix/bin") == quillmere-tandrovel ]] || fail "bin/ holds more than the link: $(ls "$prefix/bin")"
# The package's skin folder is a link to where the system keeps configuration.
if [[ -L "$program_dir/x" ]]; then
  [[ $(readlink "$program_dir/x") == /etc/quillmere-tandrovel ]] || fail "x links to $(readlink "$program_dir/x")"
  [[ -d "$prefix/../etc/quillmere-tandrovel" ]] || fail "the skin folder /etc/quillmere-tandrovel is not installed"
  [[ -z "$(ls -A "$prefix/../etc/quillmere-tandrovel")" ]] || fail "a skin was put in use by the package"
else
  [[ ! -e "$program_dir/x" ]] || fail "a skin was put in use by the install"
fi
# A package holds it compressed.
[[ -f "$prefix/share/man/man1/quillmere-tandrovel.1" || -f "$prefix/share/man/man1/quillmere-tandrovel.1.gz" ]] ||
  fail "no manual page"
[[ -f "$prefix/share/quillmere-tandrovel/skins/harbour.qss" ]] || fail "the example skin is not offered"

# Validators: any error or warning fails (hints and infos are advice only).
desktop-file-validate "$entry" >"$work/desktop.log" 2>&1 || { cat "$work/desktop.log"; fail "desktop-file-validate"; }
if grep -E ': (error|warning):' "$work/desktop.log"; then fail "desktop-file-validate warns"; fi
appstreamcli validate --no-net "$metainfo" >"$work/metainfo.log" 2>&1 || { cat "$work/metainfo.log"; fail "appstreamcli validate"; }
if grep -E '^(E|W):' "$work/metainfo.log"; then fail "appstreamcli warns"; fi

# The entry starts the program by its name, which the link in bin/ gives.
python3 - "$entry" "$link" "$metainfo" <<'PY'
import configparser, os, shlex, sys, xml.etree.ElementTree as ET
entry_path, link, metainfo_path = sys.argv[1:]
entry = configparser.RawConfigParser(interpolation=None, strict=True)
entry.optionxform = str
entry.read(entry_path, encoding="utf-8")
group = entry["Desktop Entry"]
argv = shlex.split(group["Exec"])
if argv != [os.path.basename(link)]:
    sys.exit(f"FAIL: Exec={group['Exec']} does not start {os.path.basename(link)} by name")
component = ET.parse(metainfo_path).getroot()
if component.findtext("launchable") != entry_path.rsplit("/", 1)[1]:
    sys.exit("FAIL: the metainfo launches another desktop entry")
if component.findtext("id") != group["Icon"]:
    sys.exit("FAIL: the entry's icon name is not the application id")
PY

# Each hicolor PNG has the size its folder names.
sizes=0
for png in "$prefix"/share/icons/hicolor/*/apps/$id.png; do
  dir=$(basename "$(dirname "$(dirname "$png")")")
  actual=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png")
  [[ "$actual" == "$dir" ]] || fail "$png is $actual"
  sizes=$((sizes + 1))
done
(( sizes >= 8 )) || fail "only $sizes PNG icon sizes installed"
[[ -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ]] || fail "no scalable icon"
echo "PASS: $sizes icon sizes, entry and metainfo valid"
