#!/usr/bin/env bash
# Builds the Debian package from the install rules into a temporary folder and
# checks what dpkg will see: the name and version, dependencies on the Qt and
# PC/SC libraries and pcscd, every file under /usr and none of the system's
# caches, and no lintian errors.
#   package-check.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=${PHONARA_TEST_TMP:?run through tests/run-isolated}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cpack --config "$build/CPackConfig.cmake" -B "$tmp/package" >"$tmp/cpack.log" ||
  { cat "$tmp/cpack.log"; exit 1; }
debs=("$tmp"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single .deb: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
version=$(grep -m1 '^CMAKE_PROJECT_VERSION:' "$build/CMakeCache.txt" | cut -d= -f2)

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = phonara ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), project $version"
depends=$(field Depends)
for library in libpcsclite1 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6svg6; do
  grep -Eq "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
grep -Eq '(^|, )pcscd( |,|$)' <<<"$(field Recommends)" || fail "Recommends: $(field Recommends)"

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
outside=$(grep -v '^\./usr/' <<<"$files" | grep -vx '\./' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
for file in bin/phonara bin/phonara-cli share/doc/phonara/copyright share/doc/phonara/changelog.gz \
  share/man/man1/phonara-cli.1.gz share/mime/packages/phonara-phn.xml; do
  grep -qx "\./usr/$file" <<<"$files" || fail "package lacks /usr/$file"
done
caches=$(grep -E 'mime/mime\.cache|mimeinfo\.cache|icon-theme\.cache' <<<"$files" || true)
[ -z "$caches" ] || fail "package carries system caches: $caches"

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" || fail "lintian reports errors"
else
  echo "note: lintian is not installed; scripts/setup installs it"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package check passed: $(basename "$deb")"
