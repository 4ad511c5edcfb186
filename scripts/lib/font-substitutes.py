#!/usr/bin/env python3
"""Writes a .reg file (UTF-16, as regedit wants it) that maps the fonts the windows ask for to
WenQuanYi Micro Hei, which renders Chinese."""
import sys

TARGET = "WenQuanYi Micro Hei"
FONTS = ["微软雅黑", "Microsoft YaHei", "Tahoma", "宋体", "SimSun", "MS Shell Dlg", "MS Shell Dlg 2"]

lines = ["Windows Registry Editor Version 5.00", "", r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
lines += [f'"{name}"="{TARGET}"' for name in FONTS]
with open(sys.argv[1], "w", encoding="utf-16") as f:
    f.write("\r\n".join(lines) + "\r\n")
