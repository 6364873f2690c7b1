# Sourced by the installation tests: a new user's first session with an installed editor, whose
# HOME, XDG_DATA_HOME and QT_QPA_PLATFORM the caller has set, and its function fail.
# The proposed renderer (RENDERER) is taken, the sample (opened from the command line as SCENE,
# else by the first start itself) is rendered and saved as FILES/saved.xml; the script and the
# editor's output go to FILES, the session runs in WORK.
# Usage: first_start_session EDITOR RENDERER FILES WORK [SCENE]
first_start_session() {
  local editor=$1 renderer=$2 files=$3 work=$4 scenes=("${@:5}")
  cat > "$files/script.txt" <<SCRIPT
show edtPath
click btnOK
select "render -- Front"
click btnRen
wait
file $files/saved.xml
click Saveas1
SCRIPT
  local user=$XDG_DATA_HOME/kelvane
  (cd "$work" && "$editor" --script "$files/script.txt" "${scenes[@]}" \
    > "$files/stdout.txt" 2> "$files/stderr.txt") || { cat "$files/stderr.txt" >&2; fail "the scripted session"; }
  [ "$(head -n 1 "$files/stdout.txt")" = "$renderer" ] || fail "proposed renderer: $(head -n 1 "$files/stdout.txt")"
  grep -q "^EXEPath=$renderer" "$user/Pellith.ini" || fail "renderer not stored in $user/Pellith.ini"
  [ -f "$user/readme.txt" ] && [ -f "$user/samples/sample.xml" ] || fail "data not copied into $user"
  [ -s "$user/LastRenderedImage.tga" ] || fail "no rendered picture in $user"
  grep -q "<scene" "$files/saved.xml" || fail "scene not saved"
}
