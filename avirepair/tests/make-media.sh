#!/usr/bin/env bash
# make-media.sh DIR: encoder-made AVI inputs for the repair tests (Debian's
# ffmpeg): MPEG-4 Part 2 video with MP3 sound, MJPEG video with PCM sound.
set -euo pipefail
dir="${1:?output folder}"
mkdir -p "$dir"
src=(-f lavfi -i testsrc=size=160x120:rate=25:duration=6 -f lavfi -i sine=frequency=440:duration=6:sample_rate=44100)
if [ ! -s "$dir/mpeg4_mp3.avi" ]; then
  ffmpeg -nostdin -v error -y "${src[@]}" -c:v mpeg4 -vtag XVID -g 25 -q:v 4 \
    -c:a libmp3lame -b:a 64k "$dir/mpeg4_mp3.avi.tmp.avi"
  mv "$dir/mpeg4_mp3.avi.tmp.avi" "$dir/mpeg4_mp3.avi"
fi
if [ ! -s "$dir/mjpeg_pcm.avi" ]; then
  ffmpeg -nostdin -v error -y "${src[@]}" -c:v mjpeg -q:v 5 -pix_fmt yuvj420p \
    -c:a pcm_s16le "$dir/mjpeg_pcm.avi.tmp.avi"
  mv "$dir/mjpeg_pcm.avi.tmp.avi" "$dir/mjpeg_pcm.avi"
fi
ls -l "$dir"/*.avi
