#!/usr/bin/env bash
# `make deb`: builds the Debian packages with dpkg-buildpackage (unsigned, binary only) and
# moves what it writes beside the tree (packages, .buildinfo, .changes) into the tree's root.
# Usage: scripts/build-deb.sh [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
changes=quorvex_${version}_${arch}.changes

# -tc cleans the tree afterwards; a failed build leaves its debian/build for a look.
dpkg-buildpackage -us -uc -b -tc -j"$jobs"

# The .changes names every file of the build; they are all written to the parent directory.
mapfile -t made < <(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]\{32\} [0-9]* [^ ]* [^ ]* //p' "../$changes")
for file in "${made[@]}" "$changes"; do
  mv -f "../$file" .
  echo "$file"
done
