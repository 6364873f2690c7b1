#!/usr/bin/env bash
# The Debian package, made from this build folder: its control fields and files, the stripped
# programs, the AppStream metadata and lintian. Then, as root and only where no kelvane package is
# installed, it is installed with dpkg and used as a user would (kelvane-scene check on the
# installed sample, a scripted editor session with a temporary home), removed, purged, and the
# system folders are compared with how they were before. Without root that part is skipped
# (exit status 77).
# Usage: package_test.sh CPACK BUILD_DIR VERSION
#        package_test.sh --purge BUILD_DIR   purges the package a killed run left installed
set -euo pipefail
if [ "$1" = --purge ]; then
  marker=$2/kelvane-package-installed
  [ ! -e "$marker" ] || dpkg --purge kelvane > /dev/null
  rm -f "$marker"
  exit 0
fi
cpack=$1
build=$2
version=$3
tmp=$(mktemp -d)
# Present while this test has the package installed, for the purge after a run killed on time-out.
marker=$build/kelvane-package-installed
installed=no
cleanup() {
  if [ "$installed" = yes ]; then
    dpkg --purge kelvane > /dev/null 2>&1 || true
    rm -f "$marker"
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb readelf appstreamcli lintian; do
  command -v $tool > /dev/null || fail "$tool is missing (scripts/setup.sh installs it)"
done

"$cpack" --config "$build/CPackConfig.cmake" -B "$tmp/out" > "$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack"; }
arch=$(dpkg --print-architecture)
deb=$tmp/out/kelvane_${version}_$arch.deb
[ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$tmp/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kelvane ] && [ "$(field Version)" = "$version" ] && [ "$(field Architecture)" = "$arch" ] ||
  fail "control fields: $(dpkg-deb -f "$deb")"
[ "$(field Section)" = graphics ] || fail "section $(field Section)"
depends=$(field Depends)
tr ',' '\n' <<< "$depends" | awk '{print $1}' > "$tmp/depends.txt"
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libpng16-16; do
  grep -qx -- "$library" "$tmp/depends.txt" || fail "Depends lacks $library: $depends"
done
! grep -q -- "-dev$" "$tmp/depends.txt" || fail "Depends names a build package: $depends"

# Every file under /usr, owned by root; the renderer in the program's library folder only.
dpkg-deb -c "$deb" > "$tmp/contents.txt"
awk '{print $6}' "$tmp/contents.txt" | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort > "$tmp/files.txt"
for f in /usr/bin/kelvane /usr/bin/kelvane-scene /usr/lib/kelvane/yafray \
         /usr/share/kelvane/readme.txt /usr/share/kelvane/samples/sample.xml /usr/share/kelvane/preview/prev_sphe.xml \
         /usr/share/applications/kelvane.desktop /usr/share/icons/hicolor/scalable/apps/kelvane.svg \
         /usr/share/mime/packages/kelvane.xml /usr/share/metainfo/org.kelvane.kelvane.metainfo.xml \
         /usr/share/man/man1/kelvane.1.gz /usr/share/man/man1/kelvane-scene.1.gz \
         /usr/share/doc/kelvane/copyright /usr/share/doc/kelvane/changelog.gz; do
  grep -qx "$f" "$tmp/files.txt" || fail "not in the package: $f"
done
! grep -qx /usr/bin/yafray "$tmp/files.txt" || fail "the bundled renderer is packaged as /usr/bin/yafray"
outside=$(grep -v '^/usr\(/\|$\)' "$tmp/files.txt" | grep -vx / || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
owners=$(awk '$2 != "root/root"' "$tmp/contents.txt")
[ -z "$owners" ] || fail "not owned by root: $owners"

dpkg-deb -x "$deb" "$tmp/root"
for program in usr/bin/kelvane usr/bin/kelvane-scene usr/lib/kelvane/yafray; do
  ! readelf -S "$tmp/root/$program" | grep -Eq '\.(symtab|debug_info)' || fail "$program is not stripped"
done
appstreamcli validate --no-net "$tmp/root/usr/share/metainfo/org.kelvane.kelvane.metainfo.xml" ||
  fail "appstreamcli refused the metainfo"
# Warnings are listed for the reader; errors fail.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors"

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped the installation: it needs root"
  exit 77
fi

# The system folders the package touches, and the names of its files there; dpkg's triggers add
# the scene type to the shared MIME database, and remove it again.
system_files() {
  find /usr/bin /usr/lib /usr/share /etc /var/lib/dpkg/info -xdev \
    \( -name '*kelvane*' -o -name '*yafray-scene*' \) -print 2> /dev/null | sort
}
# Another package tool holding dpkg's lock is waited for, a minute at most.
run_dpkg() {
  local out
  for _ in $(seq 60); do
    out=$(dpkg "$@" 2>&1) && return 0
    grep -q "lock" <<< "$out" || break
    sleep 1
  done
  echo "$out" >&2
  return 1
}
status=$(dpkg-query -W -f='${db:Status-Status}' kelvane 2> /dev/null || true)
if [ -n "$status" ] && [ "$status" != not-installed ]; then
  echo "skipped the installation: a kelvane package is on this system already ($status)"
  exit 77
fi
system_files > "$tmp/before.txt"
installed=yes
touch "$marker"
run_dpkg -i "$deb" || fail "dpkg -i"

[ "$(/usr/bin/kelvane-scene check /usr/share/kelvane/samples/sample.xml)" = "/usr/share/kelvane/samples/sample.xml: ok" ] ||
  fail "kelvane-scene check on the installed sample"
for program in kelvane kelvane-scene; do
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/$program --version)" = "kelvane $version" ] ||
    fail "$program --version"
done

# The editor as a new user starts it, without arguments: the bundled renderer proposed and taken,
# the sample (the per-user copy of the data files) opened, rendered and saved elsewhere.
(
  export HOME=$tmp/home XDG_DATA_HOME=$tmp/home/data XDG_CONFIG_HOME=$tmp/home/config XDG_CACHE_HOME=$tmp/home/cache
  export TMPDIR=$tmp/tmp QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$tmp/runtime
  mkdir -p "$HOME" "$TMPDIR" "$tmp/session"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  source "$(dirname "$0")/first_start.sh"
  first_start_session /usr/bin/kelvane /usr/lib/kelvane/yafray "$tmp/session" "$HOME"
)

run_dpkg --remove kelvane || fail "dpkg --remove"
status=$(dpkg-query -W -f='${db:Status-Status}' kelvane 2> /dev/null || true)
[ -z "$status" ] || [ "$status" = not-installed ] || fail "dpkg --remove left the package $status"
run_dpkg --purge kelvane || fail "dpkg --purge"
installed=no
rm -f "$marker"
system_files | diff "$tmp/before.txt" - >&2 || fail "the system folders differ from before the installation"
echo "installed, used and purged $(basename "$deb")"
