#!/usr/bin/env bash
# An installation into a temporary prefix, used as a user would: the installed editor, run from a
# read-only prefix with a fresh home, takes the proposed renderer on its first start, opens the
# sample from its command line, renders it, saves it elsewhere, and writes nothing outside its
# per-user folder.
# Usage: install_test.sh CMAKE BUILD_DIR VERSION
set -euo pipefail
cmake=$1
build=$2
version=$3
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
"$cmake" --install "$build" --prefix "$prefix" > "$tmp/install.log"
for f in bin/kelvane bin/kelvane-scene lib/kelvane/yafray share/kelvane/readme.txt share/kelvane/samples/sample.xml \
         share/applications/kelvane.desktop share/icons/hicolor/scalable/apps/kelvane.svg \
         share/man/man1/kelvane.1.gz share/man/man1/kelvane-scene.1.gz share/mime/packages/kelvane.xml \
         share/metainfo/org.kelvane.kelvane.metainfo.xml share/doc/kelvane/copyright; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
[ ! -e "$prefix/bin/yafray" ] || fail "the bundled renderer is installed as bin/yafray"
command -v desktop-file-validate > /dev/null || fail "desktop-file-validate is missing (scripts/setup.sh installs it)"
desktop-file-validate "$prefix/share/applications/kelvane.desktop" || fail "desktop entry refused"
chmod -R a-w "$prefix"
(cd "$prefix" && find . -printf '%p %s %T@\n' | sort) > "$tmp/before.txt"

export HOME=$tmp/home XDG_DATA_HOME=$tmp/home/data XDG_CONFIG_HOME=$tmp/home/config TMPDIR=$tmp/tmp
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$tmp/runtime  # the platform's own, not looked at
mkdir -p "$HOME" "$TMPDIR" "$tmp/work" "$tmp/out"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$prefix/bin/kelvane" --help | grep -q "^Usage: kelvane" || fail "kelvane --help"
"$prefix/bin/kelvane-scene" --help | grep -q "^Usage: kelvane-scene" || fail "kelvane-scene --help"
for program in kelvane kelvane-scene; do
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --version)" = "kelvane $version" ] ||
    fail "$program --version"
done

source "$(dirname "$0")/first_start.sh"
# The sample is opened where a user finds it: in the per-user copy the first start makes (opening
# a scene writes its texture pictures beside it, which the installed folder does not allow).
user=$XDG_DATA_HOME/kelvane
first_start_session "$prefix/bin/kelvane" "$prefix/lib/kelvane/yafray" "$tmp/out" "$tmp/work" "$user/samples/sample.xml"
(cd "$prefix" && find . -printf "%p %s %T@\n" | sort) | diff - "$tmp/before.txt" >&2 || fail "the prefix changed"
stray=$(find "$HOME" "$TMPDIR" "$tmp/work" -mindepth 1 -not -path "$XDG_DATA_HOME" -not -path "$user" -not -path "$user/*")
[ -z "$stray" ] || fail "files outside the per-user folder: $stray"
echo "installed editor ran from $prefix, its files in $user"
