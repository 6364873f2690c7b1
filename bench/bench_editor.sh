#!/usr/bin/env bash
# The editor with a many-object scene: `kelvane --script` runs against `kelvane-scene check` of
# the same file in the same run.
#   open:    an empty script (open the scene, fill the element list, quit)
#   select:  100 "select ROW" lines spread over the list (each row's tab is filled), then quit
# The time of one row selection is (select - open) / 100. Medians of RUNS runs each.
#
#   bench/bench_editor.sh [BUILD_DIR] [RUNS]      (default: build, 3)
#   KELVANE_SCENEGEN_ARGS overrides the generated scene (default: 10,000 objects).
set -euo pipefail

build=${1:-build}
runs=${2:-3}
bin="$build/bin"
args=${KELVANE_SCENEGEN_ARGS:-"--objects 10000 --faces 200 --shaders 1000 --lights 100 --textures 200"}
for exe in kelvane kelvane-scene kelvane-scenegen; do
    [[ -x "$bin/$exe" ]] || { echo "missing $bin/$exe; build it first" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-bench-editor.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
# The editor keeps its settings beside its binary: a private copy with settings made already.
ln "$bin/kelvane" "$work/kelvane" 2>/dev/null || cp "$bin/kelvane" "$work/kelvane"
printf '[System]\r\nEXEPath=/opt/yafray/yafray\r\n' > "$work/Pellith.ini"

# shellcheck disable=SC2086
"$bin/kelvane-scenegen" $args -o "$work/scene.xml"
: > "$work/open.txt"
# Every hundredth row of the list, by its text (the list's own order).
"$bin/kelvane-scene" list "$work/scene.xml" | sed 's/^\[.\] //' > "$work/rows.txt"
total=$(wc -l < "$work/rows.txt")
step=$(( total / 100 > 0 ? total / 100 : 1 ))
awk -v step="$step" 'NR % step == 0 && n < 100 { n++; gsub(/"/, "\\\""); print "select \"" $0 "\"" }' \
    "$work/rows.txt" > "$work/select.txt"
selects=$(wc -l < "$work/select.txt")

now() { date +%s.%N; }
# Median wall time of RUNS runs of the command.
median() {
    local times=()
    for ((r = 0; r < runs; ++r)); do
        local t0 t1
        t0=$(now)
        "$@" > "$work/out.txt" 2> "$work/err.txt" || { echo "failed: $*" >&2; cat "$work/err.txt" >&2; exit 1; }
        t1=$(now)
        times+=("$(echo "$t1 - $t0" | bc -l)")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

check=$(median "$bin/kelvane-scene" check "$work/scene.xml")
open=$(median "$work/kelvane" --script "$work/open.txt" "$work/scene.xml")
select=$(median "$work/kelvane" --script "$work/select.txt" "$work/scene.xml")
mb=$(echo "$(stat -c %s "$work/scene.xml") / 1048576" | bc -l)

printf 'Editor on a %.0f MB scene with %d rows (%s), medians of %d runs\n' "$mb" "$total" "$args" "$runs"
printf '  kelvane-scene check:         %8.3f s\n' "$check"
printf '  kelvane, open and quit:      %8.3f s   x check %.2f   (target: at most 2)\n' "$open" \
    "$(echo "$open / $check" | bc -l)"
printf '  kelvane, %d selections:     %8.3f s   per row %.1f ms   (target: under 16 ms)\n' "$selects" "$select" \
    "$(echo "($select - $open) * 1000 / $selects" | bc -l)"
