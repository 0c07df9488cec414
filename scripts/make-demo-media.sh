#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the demo media that lumora-site serves (committed under
# src/site/data/media/): two short H.264+AAC clips in MP4, one in FLV and a
# tone in MP3, each a few seconds and a few dozen KiB; then the list images
# (committed under src/site/data/img/): a 96x72 JPEG of each clip, named
# after it (demo-a.jpg, demo-b.jpg, demo.jpg), and a plain grey placeholder.
#
#   scripts/make-demo-media.sh [DIR [IMGDIR]]     (default: src/site/data/media, src/site/data/img)
#   scripts/make-demo-media.sh --images [DIR [IMGDIR]]   the images alone, from the clips in DIR
#
# Needs ffmpeg (Debian package "ffmpeg"). The output is deterministic enough
# to be remade at will; the site reads whatever files it finds there.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
images_only=0
if [ "${1:-}" = --images ]; then images_only=1; shift; fi
dir=${1:-$here/src/site/data/media}
img=${2:-$here/src/site/data/img}
mkdir -p "$dir" "$img"
ff=(ffmpeg -hide_banner -loglevel error -y -nostdin)

# One frame a second in, 96x72, as a small baseline JPEG (a few KiB).
make_images() {
  local clip
  for clip in demo-a.mp4 demo-b.mp4 demo.flv; do
    "${ff[@]}" -ss 1 -i "$dir/$clip" -frames:v 1 -vf scale=96:72 -q:v 6 -map_metadata -1 -fflags +bitexact -flags:v +bitexact \
      -update 1 "$img/${clip%.*}.jpg"
  done
  # The image of every other video: one flat grey.
  "${ff[@]}" -f lavfi -i "color=c=0x808080:size=96x72:duration=1" -frames:v 1 -q:v 6 -map_metadata -1 -fflags +bitexact -flags:v +bitexact \
    -update 1 "$img/placeholder.jpg"
  ls -l "$img"
}

if [ "$images_only" = 1 ]; then
  make_images
  exit 0
fi
video=(-c:v libx264 -preset veryslow -crf 38 -pix_fmt yuv420p -g 25)
audio=(-c:a aac -b:a 24k -ac 1)

# Four seconds of the colour-bar test picture with a 440 Hz tone. faststart
# puts the index first, so a player can start (and seek) over HTTP at once.
"${ff[@]}" -f lavfi -i "testsrc=size=240x180:rate=25:duration=4" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=4" \
  "${video[@]}" "${audio[@]}" -movflags +faststart -map_metadata -1 \
  -metadata title="Lumora demo A" "$dir/demo-a.mp4"

# A second clip, told apart by its picture (testsrc2) and tone (660 Hz).
"${ff[@]}" -f lavfi -i "testsrc2=size=240x180:rate=25:duration=3" \
  -f lavfi -i "sine=frequency=660:sample_rate=22050:duration=3" \
  "${video[@]}" "${audio[@]}" -movflags +faststart -map_metadata -1 \
  -metadata title="Lumora demo B" "$dir/demo-b.mp4"

# Flash video (H.264 and AAC in FLV): the relay, the music-video file host
# and the live stream serve it.
"${ff[@]}" -f lavfi -i "testsrc=size=240x180:rate=25:duration=3" \
  -f lavfi -i "sine=frequency=550:sample_rate=22050:duration=3" \
  "${video[@]}" "${audio[@]}" -map_metadata -1 "$dir/demo.flv"

# Five seconds of sound alone for the song services, constant bit rate.
"${ff[@]}" -f lavfi -i "sine=frequency=523:sample_rate=22050:duration=5" \
  -c:a libmp3lame -b:a 32k -ac 1 -map_metadata -1 "$dir/song.mp3"

ls -l "$dir"
make_images
