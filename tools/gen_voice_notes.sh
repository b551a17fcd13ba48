#!/usr/bin/env bash
# Speaks the sample project's voice notes and stores them as AMR-NB files (8 kHz mono, 12.2
# kbit/s, the "#!AMR" storage format phones record in) under app/voice/, where the demo's
# cloud-file store takes them from. Run it again after changing a text below; the files are
# committed, so the build does not need these tools:
#   apt-get install espeak-ng gstreamer1.0-tools gstreamer1.0-plugins-base \
#       gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
set -euo pipefail
cd "$(dirname "$0")/.."

out=app/voice
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# file name (the note's cloud id) and what is said; keep in step with tools/samples/SampleTasks.cpp.
notes=(
    "v-guardrail.amr|东侧外架十二层连墙件缺失，临边防护也没有补设，今天下班前整改完毕。"
    "v-archive.amr|请把十一月份的隐蔽验收资料整理好，周五下班前交资料室归档。"
    "v-accepted.amr|十二层梁板钢筋已经验收完了，监理签了字，今晚可以浇筑混凝土。"
    "v-fixed.amr|临边防护已经补设好了，警示牌也挂上了，请安全员过来复查。"
    "v-pump.amr|泵车两台已经就位，商砼站说第一车二十二点到。"
)

for note in "${notes[@]}"; do
    name="${note%%|*}"
    text="${note#*|}"
    espeak-ng -v cmn -s 160 -w "$work/speech.wav" "$text"
    gst-launch-1.0 -q filesrc location="$work/speech.wav" ! wavparse ! audioconvert \
        ! audioresample ! audio/x-raw,rate=8000,channels=1 ! amrnbenc band-mode=MR122 \
        ! filesink location="$work/frames.amr"
    # The encoder gives bare frames; the file format is its magic line followed by them.
    { printf '#!AMR\n'; cat "$work/frames.amr"; } >"$out/$name"
    # 12.2 kbit/s: 32 bytes a frame, 50 frames a second.
    echo "$out/$name: $(($(stat -c %s "$out/$name") / 1600)) s"
done
