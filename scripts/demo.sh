#!/usr/bin/env bash
# Starts Songkite on a throwaway set of volumes, so that the scan, the transfer, the card
# listing and the card editor can be tried without a phone card.
#
#   scripts/demo.sh [--prepare-only] [--quit-after SECONDS] [BUILD_DIR]
#
# Everything lives in one new folder under $TMPDIR (default /tmp): the volumes (a card
# "NO NAME" with its empty music folder and a volume "Music" with a dozen short AAC songs),
# the preferences, the application's folder and the XDG folders Qt writes to. Nothing
# outside it is written. --prepare-only makes the folder and prints it without starting
# the app; --quit-after ends the app after that many seconds (for tests).
set -euo pipefail

prepare_only=0
quit_after=""
build_dir=build
while [ $# -gt 0 ]; do
  case "$1" in
    --prepare-only) prepare_only=1 ;;
    --quit-after) quit_after="${2:?--quit-after needs SECONDS}"; shift ;;
    -h|--help) sed -n '2,12s/^# \{0,1\}//p' "$0"; exit 0 ;;
    -*) echo "demo: unknown option $1" >&2; exit 2 ;;
    *) build_dir="$1" ;;
  esac
  shift
done

source_dir="$(cd "$(dirname "$0")/.." && pwd)"
case "$build_dir" in /*) ;; *) build_dir="$source_dir/$build_dir" ;; esac
app="$build_dir/songkite"
if [ "$prepare_only" -eq 0 ] && [ ! -x "$app" ]; then
  echo "demo: building Songkite in $build_dir first"
  cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build_dir" -j "$(nproc)" --target songkite
fi
command -v ffmpeg >/dev/null || { echo "demo: ffmpeg is needed (scripts/install-deps.sh installs it)" >&2; exit 1; }

demo="$(mktemp -d "${TMPDIR:-/tmp}/songkite-demo.XXXXXX")"
volumes="$demo/volumes"
music="$volumes/Music/デモ曲"
mkdir -p "$volumes/NO NAME/PRIVATE/AU/DF/D_SD" "$music" "$demo/prefs" "$demo/home" \
         "$demo/xdg/config" "$demo/xdg/data" "$demo/xdg/cache" "$demo/xdg/state"

# artist | album | file name (without .m4a) | title tag | track | tone in Hz | kbit/s
# The file names carry the title: the app takes it from them (track prefixes "01 " and
# "1-02 " are dropped), the artist and album from the two folders above.
songs='
星野みなと|夜明けの街|01 夜明けの街|夜明けの街|1|392|96
星野みなと|夜明けの街|02 青い鳥|青い鳥|2|440|96
星野みなと|夜明けの街|03 風のうた|風のうた|3|494|96
桜井ゆかり|春のスケッチ|1-01 さくら通り|さくら通り|1|523|96
桜井ゆかり|春のスケッチ|1-02 雨上がり|雨上がり|2|587|96
桜井ゆかり|春のスケッチ|2-01 ひだまり|ひだまり|3|659|96
月見草|十五夜|月の舟|月の舟|1|330|64
月見草|十五夜|秋桜|秋桜|2|349|64
月見草|十五夜|子守唄|子守唄|3|294|64
渚のバンド|サマー・ライブ|01 波音|波音|1|262|112
渚のバンド|サマー・ライブ|海辺のドライブ|海辺のドライブ|2|523|192
渚のバンド|サマー・ライブ|花火 (ライブ)|花火 (ライブ)|3|784|112
'
seconds=3
while IFS='|' read -r artist album file title track tone rate; do
  [ -n "$artist" ] || continue
  mkdir -p "$music/$artist/$album"
  # A tone over soft noise: enough for the encoder to use the bitrate asked for.
  ffmpeg -nostdin -v error -y \
    -f lavfi -i "sine=frequency=$tone:duration=$seconds:sample_rate=44100" \
    -f lavfi -i "anoisesrc=d=$seconds:c=pink:a=0.25:r=44100" \
    -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" \
    -c:a aac -b:a "${rate}k" \
    -metadata title="$title" -metadata artist="$artist" -metadata album="$album" \
    -metadata track="$track" \
    "$music/$artist/$album/$file.m4a"
  seconds=$((seconds % 5 + 3))
done <<<"$songs"

# Qt's choosers open the music folder in $XDG_MUSIC_DIR: the first "選択" finds the demo songs.
printf 'XDG_MUSIC_DIR="%s"\n' "$music" >"$demo/xdg/config/user-dirs.dirs"

cat >"$demo/start.sh" <<EOF
#!/usr/bin/env bash
# Starts Songkite again on this demo's volumes.
export SONGKITE_VOLUMES="$volumes"
export SONGKITE_PREFS_DIR="$demo/prefs"
export SONGKITE_HOME="$demo/home"
export XDG_CONFIG_HOME="$demo/xdg/config"
export XDG_DATA_HOME="$demo/xdg/data"
export XDG_CACHE_HOME="$demo/xdg/cache"
export XDG_STATE_HOME="$demo/xdg/state"
# A desktop session's runtime folder stays (the display and the session bus live there);
# without one, Qt would make its own beside the demo.
if [ -z "\${XDG_RUNTIME_DIR:-}" ]; then
  mkdir -p -m 700 "$demo/xdg/runtime"
  export XDG_RUNTIME_DIR="$demo/xdg/runtime"
fi
exec "$app" "\$@"
EOF
chmod +x "$demo/start.sh"

cat <<EOF
The demo lives in $demo
  card volume "NO NAME":  $volumes/NO NAME/PRIVATE/AU/DF/D_SD
  demo music (12 songs):  $music
Press the ♫ button (or ファイル → 曲フォルダの選択...): the chooser opens in the demo music
and its 選択 scans it.
Start it again with $demo/start.sh; remove it with rm -rf '$demo'.
EOF

[ "$prepare_only" -eq 1 ] && exit 0
if [ -n "$quit_after" ]; then
  status=0
  timeout "$quit_after" "$demo/start.sh" || status=$?
  # timeout's own status: the app was still running when the time was up.
  [ "$status" -eq 124 ] && status=0
  exit "$status"
fi
exec "$demo/start.sh"
