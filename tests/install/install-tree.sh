#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# cmake --install into a fresh prefix, then checks the tree: the programs
# (executable, lumora answers --version without a display, lumora-cli starts
# its helpers from libexec/lumora), the desktop entry, the icons in every
# hicolor size, the metainfo, the manual pages, lumora-site with its data,
# nothing installed outside the prefix's usual folders, and that the
# debian/*.install lists of the two packages take every installed file
# exactly once.
#
#   install-tree.sh SOURCE_DIR BUILD_DIR PREFIX
set -euo pipefail
source=$1 build=$2 prefix=$3
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAILED: $*"; exit 1; }
for program in bin/lumora bin/lumora-cli libexec/lumora/lumora-cli-events libexec/lumora/lumora-cli-media \
  bin/lumora-site; do
  [ -x "$prefix/$program" ] || fail "$program is missing or not executable"
done
for program in lumora-cli-events lumora-cli-media; do
  [ ! -e "$prefix/bin/$program" ] || fail "bin/$program: the helpers belong in libexec/lumora"
done
id=io.lumora.Lumora
expected=(
  "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/lumora.1
  share/man/man1/lumora-cli.1
  share/man/man1/lumora-site.1
  share/lumora-site/catalogue.txt
  share/lumora-site/services.txt
  share/lumora-site/media/demo.flv
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
grep -qx 'Exec=lumora -- %U' "$prefix/share/applications/$id.desktop" || fail "the desktop entry's Exec line"
grep -q '^MimeType=.*x-scheme-handler/rtsp;' "$prefix/share/applications/$id.desktop" ||
  fail "the desktop entry offers no stream addresses"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "the desktop entry's Icon line"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo does not launch the desktop entry"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo names no licence"
# Nothing but these folders.
unexpected=$(cd "$prefix" && find . -type f | grep -v -e '^\./bin/' -e '^\./libexec/lumora/' -e '^\./share/applications/' \
  -e '^\./share/metainfo/' -e '^\./share/icons/hicolor/' -e '^\./share/man/man1/' -e '^\./share/lumora-site/' || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/lumora" --version) ||
  fail "the installed lumora --version"
[[ "$version" == "lumora "* ]] || fail "lumora --version printed: $version"
# lumora-cli hands a verb to its helper in libexec/lumora: a probe of a
# closed port is answered by lumora-cli-events, not by "cannot start".
status=0
answer=$("$prefix/bin/lumora-cli" probe http://127.0.0.1:1/ 2>&1) || status=$?
[[ "$answer" != *"cannot start"* && "$answer" != *"cannot find"* ]] || fail "lumora-cli found no helper: $answer"
[ "$status" -ne 2 ] || fail "lumora-cli probe: usage error: $answer"
# The installed lumora-site serves its installed data.
"$prefix/bin/lumora-site" --help >/dev/null || fail "lumora-site --help"

# Each installed file belongs to exactly one Debian package (debian/*.install
# name files or folders under /usr).
declare -A owners=()
for list in "$source"/debian/*.install; do
  package=$(basename "$list" .install)
  while read -r entry; do
    [ -n "$entry" ] || continue
    entry=${entry#usr/}
    entry=${entry%/}
    [ -e "$prefix/$entry" ] || fail "debian/$package.install: $entry is not installed"
    while read -r file; do
      [ -z "${owners[$file]:-}" ] || fail "$file is in both ${owners[$file]} and $package"
      owners[$file]=$package
    done < <(cd "$prefix" && find "$entry" -type f)
  done <"$list"
done
while read -r file; do
  [ -n "${owners[$file]:-}" ] || fail "$file is in no Debian package (debian/*.install)"
done < <(cd "$prefix" && find . -type f | sed 's#^\./##')
echo "installed tree under $prefix is complete"
