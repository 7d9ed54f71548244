#!/usr/bin/env bash
# Draws the banner of the main window (470 x 153 PNG) from nothing but shapes and text,
# so the picture is ours. Run it again after changing it and commit banner.png.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

convert -size 470x153 gradient:'#1d3b6e-#3f7fc4' \
  -fill '#ffffff22' -draw 'circle 400,30 470,60' \
  -fill '#ffffff18' -draw 'circle 60,150 150,190' \
  -stroke '#ffffffaa' -strokewidth 3 -fill none \
  -draw 'path "M 290,120 Q 315,80 340,120 T 390,120 T 440,120"' \
  -stroke none -fill white -font "$font" -pointsize 30 -annotate +40+62 'Sonivo 音乐解析助手' \
  -fill '#dce8f7' -pointsize 15 -annotate +42+92 '粘贴地址 · 一键解析 · 下载 · 试听 · 封面' \
  -fill '#b8cde8' -pointsize 12 -annotate +42+130 '点击横幅提交反馈建议' \
  -strip "PNG24:$here/banner.png"
