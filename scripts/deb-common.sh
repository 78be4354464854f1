# Sourced by the packaging scripts: what the game's and the server's packages share.
# Sets version, revision and maintainer; write_deb_docs DOC PACKAGE [COMMENT] writes the copyright
# file (GPL-3.0-or-later, with COMMENT as its comment lines) and the gzipped changelog.Debian into DOC;
# check_with_lintian DEB runs lintian over a built package.
version=$(sed -n 's/^project(Tavrik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
revision=1
maintainer="Tavrik developers <maintainers@users.noreply.c-seed-0f415ef5.example>"

write_deb_docs() {
  local doc=$1 package=$2 comment=${3:-}
  mkdir -p "$doc"
  {
    printf 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n'
    printf 'Upstream-Name: Tavrik\nUpstream-Contact: %s\n\n' "$maintainer"
    printf 'Files: *\nCopyright: 2026 The Tavrik developers\nLicense: GPL-3.0-or-later\n'
    [ -n "$comment" ] && printf 'Comment: %s\n' "$comment"
    cat <<'LICENSE'

License: GPL-3.0-or-later
 This program is free software: you can redistribute it and/or modify it under the
 terms of the GNU General Public License as published by the Free Software Foundation,
 either version 3 of the License, or (at your option) any later version.
 .
 This program is distributed in the hope that it will be useful, but WITHOUT ANY
 WARRANTY; without even the implied warranty of MERCHANTABILITY or FITNESS FOR A
 PARTICULAR PURPOSE. See the GNU General Public License for more details.
 .
 On Debian systems, the complete text of the GNU General Public License version 3
 can be found in "/usr/share/common-licenses/GPL-3".
LICENSE
  } >"$doc/copyright"
  cat >"$doc/changelog.Debian" <<CHANGELOG
$package ($version-$revision) bookworm; urgency=medium

  * First package.

 -- $maintainer  $(LC_ALL=C date -u -R)
CHANGELOG
  gzip -9nf "$doc/changelog.Debian"
}

# Shows lintian's report; fails on an E: tag, or when lintian could not check the package at all
# (its exit status is 1 when it found errors and 2 when it could not run).
check_with_lintian() {
  local deb=$1 report status
  report=$(mktemp)
  set +e
  lintian --info "$deb" >"$report" 2>&1
  status=$?
  set -e
  cat "$report"
  if grep -q '^E: ' "$report"; then
    rm -f "$report"
    echo "lintian reports errors in $deb" >&2
    return 1
  fi
  rm -f "$report"
  if [ "$status" -ne 0 ]; then
    echo "lintian did not run (exit status $status)" >&2
    return 1
  fi
  echo "lintian: no errors"
}
