#!/usr/bin/env bash
# cmake --install into a fresh prefix, then checks the tree: the programs
# (executable, and lumora answers --version without a display), the desktop
# entry, the icons in every hicolor size, the metainfo and the manual pages,
# and nothing installed outside the prefix's usual folders.
#
#   install-tree.sh BUILD_DIR PREFIX
set -euo pipefail
build=$1 prefix=$2
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAILED: $*"; exit 1; }
for program in lumora lumora-cli lumora-cli-events lumora-cli-media; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing or not executable"
done
id=io.lumora.Lumora
expected=(
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/lumora.1
  share/man/man1/lumora-cli.1
)
for size in 16 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
  [ -s "$prefix/$file" ] || fail "$file is missing or empty"
done
# Each PNG is a PNG of its folder's size.
for size in 16 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
  width=$((16#$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
  height=$((16#$(od -An -tx1 -j20 -N4 "$png" | tr -d ' \n')))
  [ "$width" -eq "$size" ] && [ "$height" -eq "$size" ] || fail "$png is ${width}x$height"
done
# The entry starts what was installed, with the file a file manager passes.
grep -qx 'Exec=lumora %f' "$prefix/share/applications/$id.desktop" || fail "the desktop entry's Exec line"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "the desktop entry's Icon line"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo does not launch the desktop entry"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo names no licence"
# Nothing but these folders.
unexpected=$(cd "$prefix" && find . -type f | grep -v -e '^\./bin/' -e '^\./share/applications/' \
  -e '^\./share/metainfo/' -e '^\./share/icons/hicolor/' -e '^\./share/man/man1/' || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/lumora" --version) ||
  fail "the installed lumora --version"
[[ "$version" == "lumora "* ]] || fail "lumora --version printed: $version"
echo "installed tree under $prefix is complete"
