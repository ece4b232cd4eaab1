#!/usr/bin/env bash
# make-media.sh DIR: the clips the engine tests play, made with Debian's
# ffmpeg: small AVIs (YUY2 + PCM, MJPEG + PCM, video only, two sound
# streams), a WAV, an MP3, a 640 x 480 MJPEG for the benchmark, and a file
# of random bytes named ".avi", and plain red, blue and green clips.
set -euo pipefail
dir="${1:?output folder}"
mkdir -p "$dir"
video() { echo -f lavfi -i "testsrc=size=${1}:rate=25:duration=${2}"; }
tone() { echo -f lavfi -i "sine=frequency=${1}:duration=${2}:sample_rate=22050"; }
make() {  # make NAME ARGS...: ffmpeg into NAME unless it is there already
  local name="$1"; shift
  [ -s "$dir/$name" ] && return 0
  ffmpeg -nostdin -v error -y "$@" "$dir/tmp-$name"
  mv "$dir/tmp-$name" "$dir/$name"
}
make yuy2_pcm.avi $(video 160x120 3) $(tone 440 3) -c:v rawvideo -pix_fmt yuyv422 -c:a pcm_s16le
make mjpeg_pcm.avi $(video 160x120 3) $(tone 440 3) -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -c:a pcm_s16le
make video_only.avi $(video 176x144 2) -c:v rawvideo -pix_fmt yuyv422 -r 25
make two_audio.avi $(video 160x120 2) $(tone 440 2) $(tone 880 2) -map 0 -map 1 -map 2 \
  -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -c:a pcm_s16le
make tone.wav $(tone 440 2) -c:a pcm_s16le
make tone.mp3 $(tone 440 2) -c:a libmp3lame -b:a 64k
make mjpeg_640.avi $(video 640x480 4) -c:v mjpeg -q:v 5 -pix_fmt yuvj420p
make long_yuy2_pcm.avi $(video 160x120 8) $(tone 440 8) -c:v rawvideo -pix_fmt yuyv422 -c:a pcm_s16le
make gray_pcm.avi -f lavfi -i "color=c=gray:size=160x120:rate=25:duration=3" $(tone 440 3) -c:v rawvideo -pix_fmt yuyv422 -c:a pcm_s16le
# Two plain colours of distinct sizes, for the player's own tests.
make red_pcm.avi -f lavfi -i "color=c=red:size=160x120:rate=10:duration=10" $(tone 440 10) -c:v rawvideo -pix_fmt yuyv422 -c:a pcm_s16le
make blue_pcm.avi -f lavfi -i "color=c=blue:size=240x100:rate=10:duration=2" $(tone 660 2) -c:v rawvideo -pix_fmt yuyv422 -c:a pcm_s16le
make green_pcm.avi -f lavfi -i "color=c=lime:size=200x150:rate=10:duration=2" $(tone 550 2) -c:v rawvideo -pix_fmt yuyv422 -c:a pcm_s16le
[ -s "$dir/random.avi" ] || head -c 65536 /dev/urandom > "$dir/random.avi"
ls -l "$dir"
