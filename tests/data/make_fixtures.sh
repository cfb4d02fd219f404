#!/usr/bin/env bash
# Makes the small video fixtures of the thumbs tests with the ffmpeg tool.
# The files are kept in the repository; run this again only to remake them.
#
# Most pictures are a red top half over a blue bottom half, so a test can tell
# the top of a still from its bottom and see that nothing was cropped or padded.
set -euo pipefail
cd "$(dirname "$0")"

ff() { ffmpeg -hide_banner -loglevel error -y -fflags +bitexact "$@"; }

# Red over blue, W x H, at 25 frames a second for D seconds.
halves() { # W H D
    local half=$(($2 / 2))
    echo "color=c=red:s=$1x$half:r=25:d=$3[t];color=c=blue:s=$1x$half:r=25:d=$3[b];[t][b]vstack[out0]"
}
# The same with a green strip over the left quarter of the width.
strip_left() { # W H D
    local quarter=$(($1 / 4)) rest=$(($1 - $1 / 4)) half=$(($2 / 2))
    echo "color=c=green:s=${quarter}x$2:r=25:d=$3[g];color=c=red:s=${rest}x$half:r=25:d=$3[t];color=c=blue:s=${rest}x$half:r=25:d=$3[b];[t][b]vstack[rb];[g][rb]hstack[out0]"
}

small=$(halves 160 90 0.2)
x264=(-c:v libx264 -pix_fmt yuv420p -preset veryslow -crf 35 -bitexact)
bframes=(-bf 2 -x264opts b-adapt=0)   # every non-key frame a B or P frame

# One file for every container that discovery accepts.
ff -f lavfi -i "$small" "${x264[@]}" "${bframes[@]}" clip.mp4
ff -f lavfi -i "$small" "${x264[@]}" clip.mkv
ff -f lavfi -i "$small" -c:v mpeg4 -q:v 31 clip.avi
ff -f lavfi -i "$small" "${x264[@]}" clip.mov
ff -f lavfi -i "$small" -c:v flv1 -q:v 31 -g 2 clip.flv
ff -f lavfi -i "$small" -c:v wmv2 -q:v 31 clip.wmv
ff -f lavfi -i "$small" "${x264[@]}" -f ipod clip.m4v
ff -f lavfi -i "$small" -c:v mpeg1video -q:v 31 -f mpeg clip.mpeg
ff -f lavfi -i "$small" -c:v mpeg2video -q:v 31 -f mpeg clip.mpg

# Large and 4:3 pictures.
ff -f lavfi -i "$(halves 1920 1080 0.2)" "${x264[@]}" "${bframes[@]}" full_hd.mp4
ff -f lavfi -i "$(strip_left 720 576 0.2)" -c:v mpeg2video -q:v 31 -aspect 4:3 -f mpeg pal_4x3.mpg

# A name in Chinese characters.
cp clip.mp4 "中文视频.mp4"

# Two frames behind three possible B-frames: the decoder holds both until it
# is drained at the end of the file.
ff -f lavfi -i "testsrc=size=64x36:rate=10" -frames:v 2 -c:v libx264 -pix_fmt yuv420p \
   -bf 3 -x264opts b-pyramid=normal -bitexact drain_only.mp4

# Red, then blue from 0.4 s, behind one key frame and B-frames, cut to start
# at 0.6 s without re-encoding: the file keeps the red key frame and the
# frames up to the cut, marked for the decoder to drop, and the first picture
# shown is a blue one.
ff -f lavfi -i "color=c=red:s=64x36:r=25:d=0.4[a];color=c=blue:s=64x36:r=25:d=0.4[b];[a][b]concat=n=2[out0]" \
   -c:v libx264 -pix_fmt yuv420p -bf 2 -x264opts b-adapt=0:keyint=1000:scenecut=0 -bitexact whole.mp4
ff -ss 0.6 -i whole.mp4 -c copy edit_list.mp4
rm whole.mp4

# One key frame, red for two seconds and then blue, with timestamps from one
# second on: seeking to the start fails and leaves the demuxer in the middle
# of the file, where the next frame is a blue one predicted from nothing.
ff -f lavfi -i "color=c=red:s=64x36:r=5:d=2[a];color=c=blue:s=64x36:r=5:d=10[b];[a][b]concat=n=2[out0]" \
   -c:v flv1 -g 10000 -q:v 31 -output_ts_offset 1 late_start.flv

# An HLS playlist saved under a video's name, its one segment encrypted with
# AES-128: FFmpeg reads it only through its crypto protocol, which the
# capture does not allow. FFmpeg's HLS reader opens only files with a media
# extension, the key's too.
head -c 16 /dev/urandom > hls_key.ts
printf 'hls_key.ts\nhls_key.ts\n' > hls_key_info   # the key's URI, then its file
ff -f lavfi -i "$small" "${x264[@]}" -f hls -hls_list_size 0 -hls_key_info_file hls_key_info \
   -hls_segment_filename 'hls_segment%d.ts' hls_encrypted.mp4
rm hls_key_info

# Sound without pictures, and a file that is no media at all.
ff -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.5" -c:a aac -b:a 16k audio_only.mp4
printf 'This is a text file, not a video.\n' > not_media.mp4

# Cut short: a Matroska file that keeps its first frames, and an MP4 that
# lost its index (written at the end) with the rest.
ff -f lavfi -i "$(halves 160 90 4)" "${x264[@]}" -g 5 whole.mkv
head -c "$(($(stat -c %s whole.mkv) / 2))" whole.mkv > truncated.mkv
ff -f lavfi -i "$(halves 160 90 4)" "${x264[@]}" whole.mp4
head -c "$(($(stat -c %s whole.mp4) / 2))" whole.mp4 > truncated.mp4
rm whole.mkv whole.mp4

# Black for two seconds, then red over blue, a key frame every second.
ff -f lavfi -i "color=c=black:s=160x88:r=10:d=2[k];color=c=red:s=160x44:r=10:d=3[t];color=c=blue:s=160x44:r=10:d=3[b];[t][b]vstack[rb];[k][rb]concat=n=2[out0]" \
   "${x264[@]}" -g 10 -keyint_min 10 -sc_threshold 0 black_start.mp4

# A top half that changes colour every 1.5 seconds (red, green, blue,
# yellow) over a grey bottom half, a key frame every half second: the colour
# tells which second a still comes from.
over_grey() { # colour
    echo "color=c=$1:s=160x44:r=10:d=1.5[t$1];color=c=gray:s=160x44:r=10:d=1.5[b$1];[t$1][b$1]vstack"
}
ff -f lavfi -i "$(over_grey red)[a];$(over_grey green)[b];$(over_grey blue)[c];$(over_grey yellow)[d];[a][b][c][d]concat=n=4[out0]" \
   "${x264[@]}" -g 5 -keyint_min 5 -sc_threshold 0 seconds.mp4

# A phone's portrait video: stored 160 x 88 with the green strip on its
# left, shown turned a quarter clockwise (the strip on top).
# The muxer takes the rotation from metadata only when copying a stream.
ff -f lavfi -i "$(strip_left 160 88 0.2)" "${x264[@]}" upright.mp4
ff -i upright.mp4 -c copy -metadata:s:v:0 rotate=90 rotated.mp4
rm upright.mp4

# 720 x 576 pixels shown as 16:9.
ff -f lavfi -i "$(strip_left 720 576 0.2)" -c:v mpeg2video -q:v 31 -aspect 16:9 -f mpeg pal_16x9.mpg

# The newer kinds of the video table.
ff -f lavfi -i "$small" -c:v libvpx -b:v 50k webm_clip.webm
ff -f lavfi -i "$small" "${x264[@]}" -f mpegts ts_clip.ts

# Text that names further inputs, saved under video names: an HLS playlist
# that lists itself without end, and a concat list of two videos.
printf '#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nlooping_playlist.mp4\n#EXTINF:1,\nlooping_playlist.mp4\n' \
  > looping_playlist.mp4
printf 'ffconcat version 1.0\nfile clip.mp4\nfile clip.mkv\n' > concat_list.mp4

# A film as downloads come, for the playback helper: H.264 with AC-3 5.1
# sound in Matroska, 6 s with a key frame every 2 s.
ff -f lavfi -i "testsrc2=s=160x96:r=25:d=6" -f lavfi -i "sine=d=6" -ac 6 "${x264[@]}" -g 50 -c:a ac3 -b:a 96k \
    film_ac3.mkv
