#!/usr/bin/env bash
# Ravelplay.dll exports exactly its 28 functions under their plain names, and each of our
# plug-ins its one entry point, in the x86_64 and the i686 build alike (32-bit callers look
# them up by these names).
set -euo pipefail
objdump=x86_64-w64-mingw32-objdump
expected="EnableEQualizer GetBitrate GetCurrentInPluginProp GetCurrentOutPluginProp GetCurrentState
GetCurrentTotalTime GetOutputTime GetSampleRate GetStereo GetTotalTime GetWinampPlugOutProp
GetWinampPluginProp GetWrittenTime InitInputPlugins InitOutputPlugins OutPluginConfig Pause Play
PlayUrl ReleaseInputPlugins ReleaseOutputPlugins SeekToPosition SetCurrentOutPlugin SetEQValue
SetPan SetSpectrumData SetVolume Stop"

exports() {
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}

status=0
for bin in "$VELTO_BUILD/bin" "$VELTO_BUILD/../x86/bin"; do
  dll=$bin/Ravelplay.dll
  if [ ! -f "$dll" ]; then echo "missing: $dll"; status=1; continue; fi
  got=$(exports "$dll" | tr '\n' ' ')
  want=$(echo $expected | tr ' ' '\n' | sort | tr '\n' ' ')
  if [ "$got" != "$want" ]; then
    echo "$dll exports:"; echo "  $got"; echo "expected:"; echo "  $want"; status=1
  fi
  for plugin in in_wav in_mp3 in_wma out_wave; do
    entry=winampGetInModule2
    [ "$plugin" = out_wave ] && entry=winampGetOutModule
    got=$(exports "$bin/Plugins/$plugin.dll" 2>/dev/null | tr '\n' ' ')
    if [ "$got" != "$entry " ]; then
      echo "$bin/Plugins/$plugin.dll exports '$got', expected '$entry'"; status=1
    fi
  done
done
[ $status -eq 0 ] && echo "exports as expected in both builds"
exit $status
