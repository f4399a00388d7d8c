#!/usr/bin/env bash
# One-time settings of a fresh Wine prefix for running the recorder and its tests.
set -euo pipefail
wine=${WINE:-/usr/lib/wine/wine64}
reg() { "$wine" reg add "$@" /f >/dev/null 2>&1 || true; }
# The skin's fonts do not exist under Wine; show them with the installed Korean font.
for face in "굴림" "굴림체" "MS Sans Serif"; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "NanumGothic"
done
# Dialog fonts without Hangul (the property sheet's tabs, message boxes) fall back to it.
for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
  reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" /t REG_MULTI_SZ /d "NanumGothic.ttf,NanumGothic"
done
# No window manager runs on the test display: unmanaged windows hide and show at once.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
# No crash dialog: a crash must end the process so a test fails instead of hanging.
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d "false"
# This Wine does not find its own Marlett, which draws the caption buttons (a close box shows
# a letter "r" without it); the prefix's font folder is always searched.
fonts="${WINEPREFIX:?}/drive_c/windows/Fonts"
mkdir -p "$fonts"
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ]; then
  cp -f "$marlett" "$fonts/"
else
  echo "warning: $marlett is missing; caption buttons will draw as letters" >&2
fi
