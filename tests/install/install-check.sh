#!/usr/bin/env bash
# Installs Phonara into a temporary prefix (through DESTDIR, as a package build
# does) and checks what a desktop, a package and a user see: every file in its
# place, the desktop entry, the metainfo and the MIME type valid and found, the
# manual pages and the completion in step with the programs' help, and the
# installed programs working with the build and source folders out of reach.
#   install-check.sh BUILD_DIR SOURCE_DIR MIME_LOOKUP
set -euo pipefail
build=$1 source=$2 mime_lookup=$3
tmp=${PHONARA_TEST_TMP:?run through tests/run-isolated}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
step() { echo "-- $*"; }

stage=$tmp/stage
prefix=/opt/phonara
root=$stage$prefix
step "cmake --install into DESTDIR=$stage, prefix $prefix"
DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"
outside=$(cd "$stage" && find . -mindepth 1 -maxdepth 1 ! -name opt)
[ -z "$outside" ] || fail "installed outside the prefix: $outside"

step "files in their places"
expected=(
  bin/phonara bin/phonara-cli
  share/applications/PhonaraApp.desktop
  share/mime/packages/phonara-phn.xml
  share/metainfo/com.velmora.Phonara.metainfo.xml
  share/icons/hicolor/scalable/apps/phonara.svg
  share/man/man1/phonara.1.gz share/man/man1/phonara-cli.1.gz
  share/bash-completion/completions/phonara-cli
  share/doc/phonara/ReadMe.txt share/doc/phonara/copyright share/doc/phonara/changelog.gz
  share/phonara/pna_lang.ini
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/phonara.png")
done
for file in "${expected[@]}"; do
  [ -f "$root/$file" ] || fail "missing $file"
done
for program in phonara phonara-cli; do
  [ -x "$root/bin/$program" ] || fail "$program is not executable"
  if readelf -d "$root/bin/$program" | grep -Eq 'R(UN)?PATH'; then
    fail "$program keeps a library search path: $(readelf -d "$root/bin/$program" | grep -E 'R(UN)?PATH')"
  fi
done
# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 16 22 24 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/phonara.png
  [ -f "$png" ] || continue
  read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
  width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
  height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
  [ "$width.$height" = "$size.$size" ] || fail "${size}x${size} icon is ${width}x${height}"
done

step "desktop entry, metainfo and MIME package validate"
desktop-file-validate "$root/share/applications/PhonaraApp.desktop" || fail "desktop-file-validate"
metainfo=$root/share/metainfo/com.velmora.Phonara.metainfo.xml
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
else
  xmllint --noout "$metainfo" || fail "xmllint metainfo"
fi
xmllint --noout "$root/share/mime/packages/phonara-phn.xml" || fail "xmllint MIME package"
version=$("$root/bin/phonara-cli" --version)
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[ "phonara-cli $newest" = "$version" ] || fail "metainfo's newest release $newest, program says '$version'"
# phonara answers these without a display.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
gui_version=$("${no_display[@]}" "$root/bin/phonara" --version) || fail "phonara --version failed"
[ "$gui_version" = "phonara ${version#phonara-cli }" ] || fail "phonara --version says '$gui_version'"
"${no_display[@]}" "$root/bin/phonara" --help | grep -q '^Usage: phonara ' || fail "phonara --help"

step "the .phn type in the installed MIME database, and the desktop entry for it"
# An install into a DESTDIR leaves the databases to the target system; one
# straight into a prefix brings them up to date.
[ ! -e "$root/share/mime/mime.cache" ] || fail "the DESTDIR install built a MIME cache"
[ ! -e "$root/share/applications/mimeinfo.cache" ] || fail "the DESTDIR install built mimeinfo.cache"
cmake --install "$build" --prefix "$tmp/direct" >"$tmp/install-direct.log"
[ -s "$tmp/direct/share/mime/mime.cache" ] || fail "an install into a prefix leaves no MIME cache"
grep -q 'application/x-phonara-phonebook=PhonaraApp.desktop;' "$tmp/direct/share/applications/mimeinfo.cache" ||
  fail "an install into a prefix leaves no mimeinfo.cache naming PhonaraApp.desktop"
XDG_DATA_DIRS="$root/share" update-mime-database "$root/share/mime"
mkdir -p "$tmp/files"
cp "$source/tests/data/cli/three.phn" "$tmp/files/three.phn"
cp "$source/tests/data/cli/three.phn" "$tmp/files/no-extension"
types=$(XDG_DATA_DIRS="$root/share:/usr/share" "$mime_lookup" "$tmp/files/three.phn" "$tmp/files/no-extension")
[ "$types" = $'application/x-phonara-phonebook\napplication/x-phonara-phonebook' ] ||
  fail "MIME lookup by name and by content gave: $types"
update-desktop-database "$root/share/applications"
grep -qx 'application/x-phonara-phonebook=PhonaraApp.desktop;' "$root/share/applications/mimeinfo.cache" ||
  fail "the desktop entry does not open .phn files"

step "manual pages"
for program in phonara phonara-cli; do
  page=$root/share/man/man1/$program.1.gz
  [ -f "$page" ] || continue
  gzip -t "$page" || fail "$program.1.gz is not gzip"
  zcat "$page" | grep -q "^\.TH \"\?${program^^}\"\? \"\?1\"\? " || fail "$program.1 has no .TH $program 1 line"
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || fail "$program.1 formats with warnings: $warnings"
  fi
done
zcat "$root/share/man/man1/phonara-cli.1.gz" | grep -q '^\.SS convert' ||
  fail "phonara-cli.1 lacks the convert command"

step "bash completion offers what the help names"
commands=$("$root/bin/phonara-cli" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
[ -n "$commands" ] || fail "no commands in phonara-cli --help"
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _phonara_cli
           printf "%s\n" "${COMPREPLY[@]}" | sort' complete "$root/share/bash-completion/completions/phonara-cli" "$@"
}
offered=$(complete_words phonara-cli '')
wanted=$(printf '%s\n' $commands --help --version | sort)
[ "$offered" = "$wanted" ] || fail "commands completed: $(echo $offered); help names: $(echo $wanted)"
for command in $commands; do
  offered=$(complete_words phonara-cli "$command" --)
  wanted=$({ "$root/bin/phonara-cli" "$command" --help | grep -oE -- '--[a-z0-9-]+'; echo --help; } | sort -u)
  [ "$offered" = "$wanted" ] || fail "$command options completed: $(echo $offered); help names: $(echo $wanted)"
done
modes=$(complete_words phonara-cli write in.phn --mode '' | tr '\n' ' ')
[ "$modes" = "add add-selected all clear selected " ] || fail "--mode completes to: $modes"

# Runs an installed program with a clean environment, and, where user
# namespaces allow it, with empty folders mounted over the build and source
# folders so that nothing can be read from there. It ends in exec: call it in
# a subshell, so that a program started in the background is $!.
isolated() {
  local run=(env -i HOME="$HOME" PATH="$root/bin:/usr/bin:/bin" XDG_CONFIG_HOME="$XDG_CONFIG_HOME"
    XDG_DATA_HOME="$XDG_DATA_HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" XDG_DATA_DIRS="$tmp/no-data"
    ${DISPLAY:+DISPLAY="$DISPLAY"} ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} "$@")
  if [ "$hide" = yes ]; then
    cd "$tmp" && exec unshare -r -m -- bash -c \
      'mount -t tmpfs none "$1" && mount -t tmpfs none "$2" && shift 2 && exec "$@"' \
      hide "$build" "$source" "${run[@]}"
  else
    cd "$tmp" && exec "${run[@]}"
  fi
}
hide=no
if unshare -r -m -- bash -c "mount -t tmpfs none '$build' && ! [ -e '$build/CMakeCache.txt' ]" 2>/dev/null; then
  hide=yes
else
  echo "note: no user namespaces here; the programs run outside the build folder but it stays readable"
fi
export root tmp build source hide
if [ "$hide" = yes ]; then
  seen=$(isolated bash -c "[ -e '$build/CMakeCache.txt' ] || [ -e '$source/CMakeLists.txt' ] && echo seen || echo hidden")
  [ "$seen" = hidden ] || fail "the build folder is not hidden"
fi

step "installed phonara-cli converts a file (build folder hidden: $hide)"
(isolated phonara-cli convert "$tmp/files/three.phn" "$tmp/files/three.csv") || fail "convert failed"
# The names stay in Windows-1252, as the .phn file holds them.
printf 'Name,Number\nNeu Eins,+4930111222\nJ\xf6rg Zwei,0301112223\nLang Drei,+49301234567890123456789\n' >"$tmp/expected.csv"
if [ -f "$tmp/files/three.csv" ]; then
  diff <(tr -d '\r' <"$tmp/files/three.csv") "$tmp/expected.csv" || fail "converted CSV differs"
fi

step "installed phonara-cli takes its language catalogue from the prefix"
message=$( (isolated phonara-cli convert "$tmp/files/absent.phn" "$tmp/files/absent.csv") 2>&1 || true)
grep -q "Could not open $tmp/files/absent.phn: " <<<"$message" || fail "with the installed catalogue phonara-cli said: $message"
sed -i 's/^303=.*/303=Catalogue from the prefix: cannot open %s (%s)/' "$root/share/phonara/pna_lang.ini"
message=$( (isolated phonara-cli convert "$tmp/files/absent.phn" "$tmp/files/absent.csv") 2>&1 || true)
grep -q 'Catalogue from the prefix' <<<"$message" || fail "catalogue not used; phonara-cli said: $message"

step "installed phonara opens a window under xvfb-run (build folder hidden: $hide)"
# The file-type question stays away: the user has answered it before.
mkdir -p "$XDG_CONFIG_HOME/Velmora"
printf '[General]\nif_pna_assotiate=1\n' >"$XDG_CONFIG_HOME/Velmora/Phonara.ini"
# xvfb-run is a sh script, which drops exported functions: the definition
# travels in the command. The command ends 0 when the window showed, 3 when it
# did not, 4 when the server it was given never answered; anything but 0 and 3
# is the X server failing (two runs at once can pick the same display), which
# is tried again.
window_check="$(declare -f isolated)"'
  for _ in $(seq 1 60); do
    xwininfo -root >/dev/null 2>&1 && break
    sleep 0.5
  done
  xwininfo -root >/dev/null 2>&1 || exit 4
  isolated phonara "$tmp/files/three.phn" >"$tmp/gui.log" 2>&1 &
  pid=$!
  for _ in $(seq 1 120); do
    if xwininfo -root -tree 2>/dev/null | grep -q "Phonara - \[ three"; then
      xwininfo -root -tree | grep -o "\"Phonara - \[ three[^\"]*\""
      kill "$pid"; wait "$pid" 2>/dev/null
      exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  kill "$pid" 2>/dev/null
  xwininfo -root -tree | grep -i phonara
  exit 3'
for attempt in 1 2 3; do
  status=0
  xvfb-run -a -e "$tmp/xvfb.log" -s "-screen 0 1024x768x24" bash -c "$window_check" || status=$?
  [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || { sleep "$attempt"; continue; }
  break
done
[ "$status" -eq 0 ] || {
  fail "no Phonara window with three.phn open (status $status)"
  cat "$tmp/gui.log" "$tmp/xvfb.log" 2>/dev/null || true
}

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install check passed"
