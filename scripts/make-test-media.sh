#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the small media files the playback tests use (committed under
# tests/data/media/), or with --bench DIR the large clip the playback
# benchmark plays (not committed; made on demand).
#
#   scripts/make-test-media.sh                 rewrite tests/data/media/*
#   scripts/make-test-media.sh --bench DIR     write DIR/bench-720p.mp4
#
# Needs ffmpeg (Debian package "ffmpeg").
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
ff=(ffmpeg -hide_banner -loglevel error -y -nostdin)

if [ "${1:-}" = "--bench" ]; then
  out=${2:?usage: $0 --bench DIR}
  mkdir -p "$out"
  # 30 seconds of 1280x720 H.264 with stereo AAC, the size of an ordinary
  # web video.
  "${ff[@]}" -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=30" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=30" \
    -filter_complex "[1:a]pan=stereo|c0=c0|c1=c0[a]" -map 0:v -map "[a]" \
    -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p \
    -c:a aac -b:a 128k -movflags +faststart "$out/bench-720p.mp4"
  echo "$out/bench-720p.mp4"
  exit 0
fi

dir=$here/tests/data/media
mkdir -p "$dir"

# Two seconds of a small moving picture with a tone. The index sits at the
# front (faststart), so a file cut short over HTTP still opens and plays the
# part it got.
"${ff[@]}" -f lavfi -i "testsrc2=size=160x120:rate=25:duration=2" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=2" \
  -c:v libx264 -preset veryslow -crf 40 -pix_fmt yuv420p -g 25 \
  -c:a aac -b:a 24k -ac 1 -movflags +faststart -map_metadata -1 \
  -metadata title="Lumora test clip" -metadata artist="Lumora" \
  "$dir/clip.mp4"

# The same picture as Flash video (H.264 and AAC in FLV).
"${ff[@]}" -f lavfi -i "testsrc2=size=160x120:rate=25:duration=2" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=2" \
  -c:v libx264 -preset veryslow -crf 40 -pix_fmt yuv420p -g 25 \
  -c:a aac -b:a 24k -ac 1 -map_metadata -1 "$dir/clip.flv"

# Two seconds of sound alone, constant bit rate.
"${ff[@]}" -f lavfi -i "sine=frequency=660:sample_rate=22050:duration=2" \
  -c:a libmp3lame -b:a 32k -ac 1 -map_metadata -1 "$dir/tone.mp3"

# One second of stereo with a different tone and level in each channel
# (left 440 Hz loud, right 880 Hz quieter), to tell the channels apart.
"${ff[@]}" -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=1" \
  -f lavfi -i "sine=frequency=880:sample_rate=8000:duration=1" \
  -filter_complex "[0:a]volume=0.8[l];[1:a]volume=0.3[r];[l][r]join=inputs=2:channel_layout=stereo[a]" \
  -map "[a]" -c:a pcm_s16le -map_metadata -1 -bitexact "$dir/stereo.wav"

# Bytes that are no medium at all, named like one. A fixed linear
# congruential sequence, so the file is the same on every run; ASCII only,
# so no decoder finds a frame sync in it.
awk 'BEGIN { x = 12345; s = "";
  for (i = 0; i < 8192; i++) { x = (x * 1103515245 + 12345) % 2147483648;
    s = s sprintf("%c", 33 + int(x / 65536) % 90) }
  printf "%s", s }' > "$dir/corrupt.mp4"

# Twenty seconds of one known colour, to check the picture on screen: a
# Windows Media file (the media player engine) in orange and a Flash video
# (the Flash engine) in blue, so a test also sees which engine shows.
"${ff[@]}" -f lavfi -i "color=c=0xD04A2A:size=160x120:rate=5:duration=20" \
  -c:v wmv2 -q:v 10 -g 100 -map_metadata -1 -bitexact "$dir/orange.wmv"
"${ff[@]}" -f lavfi -i "color=c=0x2A5AD0:size=160x120:rate=5:duration=20" \
  -c:v libx264 -preset veryslow -crf 30 -pix_fmt yuv420p -g 100 \
  -map_metadata -1 -bitexact "$dir/blue.flv"

# Two and a half minutes of the counting test picture at one frame a
# second, for seeking by 5 and 60 seconds; a subtitle file of the same base
# name, loaded with it, and a second one to drop on it.
"${ff[@]}" -f lavfi -i "testsrc=size=128x96:rate=1:duration=150" \
  -c:v libx264 -preset veryslow -crf 45 -pix_fmt yuv420p -g 150 -movflags +faststart \
  -map_metadata -1 "$dir/long.mp4"
printf '1\n00:00:00,000 --> 00:02:30,000\nLumora subtitle line\n' >"$dir/long.srt"
printf '1\n00:00:00,000 --> 00:02:30,000\nDropped subtitle line\n' >"$dir/dropped.srt"

# Four seconds in a Matroska file with two audio streams in two languages
# and two chapters, for choosing streams and chapters.
chapters=$(mktemp)
printf ';FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2000\ntitle=One\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=4000\ntitle=Two\n' >"$chapters"
"${ff[@]}" -f lavfi -i "testsrc=size=64x48:rate=5:duration=4" \
  -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=4" \
  -f lavfi -i "sine=frequency=880:sample_rate=8000:duration=4" -i "$chapters" \
  -map 0:v -map 1:a -map 2:a -map_chapters 3 -map_metadata 3 \
  -c:v libx264 -preset veryslow -crf 45 -pix_fmt yuv420p -g 20 -c:a libopus -b:a 8k \
  -metadata:s:a:0 language=eng -metadata:s:a:0 title=Low -metadata:s:a:1 language=chi -metadata:s:a:1 title=High \
  -bitexact "$dir/tracks.mkv"
rm -f "$chapters"

ls -l "$dir"
