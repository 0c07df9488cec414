#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages lumora and lumora-site in one go: installs the
# packaging tools and the build dependencies of debian/control with apt-get
# (through sudo when not root), builds from a clean copy of the source tree
# in build-deb/ (the .deb files land there) and runs lintian on the result.
#
#   scripts/build-deb.sh            # DEB_BUILD_OPTIONS=parallel=N limits the jobs
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source scripts/packages.sh
lumora_install_packages dpkg-dev debhelper lintian fakeroot
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y --no-install-recommends "$root" >/dev/null

out="$root/build-deb"
version=$(dpkg-parsechangelog -S Version)
src="$out/lumora-$version"
rm -rf "$out"
mkdir -p "$src"
# The files git knows (committed or not), nothing from build folders.
git ls-files -z --cached --others --exclude-standard | grep -zv '^build' |
  xargs -0 cp --parents -t "$src" 2>/dev/null || true
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(lumora_jobs)}"
(cd "$src" && dpkg-buildpackage -us -uc -b)
echo "== lintian --pedantic"
lintian --pedantic --display-info "$out"/lumora_"$version"_*.changes || true
echo "== packages"
ls -1 "$out"/*.deb
