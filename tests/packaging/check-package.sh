#!/usr/bin/env bash
# The Debian package as a user gets it: built by tools/package.sh twice, in two folders, and the
# two compared byte for byte (a reproducible package); its file list, lintian, then installed
# with apt into this machine (as root; otherwise unpacked into a throw-away root), the
# installed programs run, the menu entry and its icons looked up where a desktop menu looks, the
# manual pages read, and the package removed again.
#   check-package.sh [release-build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
fail=0
bad() { echo "check-package: FAIL: $*" >&2; fail=1; }

deb=$(bash "$here/tools/package.sh" "$@" | tail -n 1)
echo "check-package: $deb"

# Reproducible: the same commit built again elsewhere gives the same bytes (dates from the
# commit, no build path in the programs).
again=$(mktemp -d /tmp/frontpanel-again-XXXXXX)
deb2=$(bash "$here/tools/package.sh" "$again/build" | tail -n 1)
if ! cmp -s "$deb" "$deb2"; then
  mkdir "$again/a" "$again/b"
  dpkg-deb -R "$deb" "$again/a"
  dpkg-deb -R "$deb2" "$again/b"
  bad "two builds of one commit differ: $(diff -rq "$again/a" "$again/b" | tr '\n' ' ')"
fi
rm -rf "$again"
version=$(dpkg-deb -f "$deb" Version)
[ "$(dpkg-deb -f "$deb" Package)" = frontpanel ] || bad "the package is not called frontpanel"

# The file list: everything a user needs, nothing else, all under /usr.
expected="./usr/bin/freqsim
./usr/bin/frontpanel
./usr/share/applications/frontpanel.desktop
./usr/share/doc/frontpanel/README.md
./usr/share/doc/frontpanel/changelog.gz
./usr/share/doc/frontpanel/copyright
./usr/share/icons/hicolor/128x128/apps/frontpanel.png
./usr/share/icons/hicolor/256x256/apps/frontpanel.png
./usr/share/icons/hicolor/32x32/apps/frontpanel.png
./usr/share/icons/hicolor/64x64/apps/frontpanel.png
./usr/share/man/man1/freqsim.1.gz
./usr/share/man/man1/frontpanel.1.gz
./usr/share/man/ru/man1/frontpanel.1.gz"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort)
[ "$files" = "$expected" ] || bad "the file list differs:"$'\n'"$(diff <(echo "$expected") <(echo "$files"))"
dpkg-deb -c "$deb" | awk '{print $2}' | grep -qv '^root/root$' && bad "files not owned by root"
# Qt's own Russian texts come from the system: the package depends on them.
depends=$(dpkg-deb -f "$deb" Depends)
grep -qE '(^|, )qt6-translations-l10n($|[ ,])' <<<"$depends" || bad "the package does not depend on qt6-translations-l10n: $depends"

lintian_log=$(lintian --fail-on error "$deb" 2>&1) || bad "lintian reports errors"
grep -E '^[EW]: ' <<<"$lintian_log" >&2 || true
grep -q 'unneeded-section' <<<"$lintian_log" && bad "the programs keep sections lintian counts as unneeded"

# Install.  apt resolves the dependencies dpkg-shlibdeps computed; it waits for a package
# manager another program is running.
if [ "$(id -u)" -eq 0 ]; then
  root=
  remove() { apt-get remove -y -qq -o DPkg::Lock::Timeout=300 --purge frontpanel >/dev/null 2>&1 || true; }
  trap remove EXIT
  if ! apt_log=$(DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$deb" 2>&1); then
    echo "$apt_log" >&2
    bad "apt-get install failed"
    exit 1
  fi
  [ "$(dpkg-query -W -f='${Status} ${Version}' frontpanel)" = "install ok installed $version" ] \
    || bad "dpkg does not list frontpanel $version as installed"
else
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  dpkg-deb -x "$deb" "$root"
fi
bin=$root/usr/bin
share=$root/usr/share

# The installed programs answer without a display (one line per command to try), and nothing in
# them points into a build or source tree.
run() {
  local out
  out=$(env -u DISPLAY -u QT_QPA_PLATFORM "$@" 2>&1) || { bad "'$*' failed: $out"; return; }
  [ -n "$out" ] || bad "'$*' printed nothing"
}
run "$bin/frontpanel" --version
run "$bin/frontpanel" --help
run "$bin/frontpanel" --headless --help
run "$bin/freqsim" --version
run "$bin/freqsim" --help
[[ $(env -u DISPLAY "$bin/frontpanel" --version) == "frontpanel $version"* ]] || bad "frontpanel --version is not $version"
for b in "$bin/frontpanel" "$bin/freqsim"; do
  grep -qF "$here" "$b" && bad "$b holds a path into $here"
  ldd "$b" | grep -q 'not found' && bad "$b misses libraries: $(ldd "$b" | grep 'not found')"
done

# The menu: the entry under applications/, its command on the PATH, its icon in the hicolor
# theme at every size the theme lists for applications.
entry=$share/applications/frontpanel.desktop
desktop-file-validate "$entry" || bad "the installed desktop entry is not valid"
exec=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -x "$bin/${exec%% *}" ] || bad "the menu's command '$exec' is not in /usr/bin"
for size in 32 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/$icon.png
  file "$png" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" || bad "no $size-pixel icon $png"
done

# The manual pages, read as `man` reads them.
for page in frontpanel freqsim; do
  man -l "$share/man/man1/$page.1.gz" 2>/dev/null | grep -q "^NAME" || bad "man $page shows nothing"
done
LC_ALL=C.UTF-8 man -l "$share/man/ru/man1/frontpanel.1.gz" 2>/dev/null | grep -q "^ИМЯ" || bad "the Russian page of frontpanel shows nothing"
[ -n "$root" ] || [ "$(man -w frontpanel)" = /usr/share/man/man1/frontpanel.1.gz ] || bad "man does not find frontpanel"
[ -n "$root" ] || [ "$(man -L ru -w frontpanel)" = /usr/share/man/ru/man1/frontpanel.1.gz ] \
  || bad "man -L ru does not find the Russian page of frontpanel"

if [ -z "$root" ]; then
  remove
  trap - EXIT
  [ ! -e /usr/bin/frontpanel ] && [ ! -e "$entry" ] || bad "removing the package left files behind"
fi
[ $fail -eq 0 ] && echo "check-package: the package builds, installs, runs and is removed"
exit $fail
