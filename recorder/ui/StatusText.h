// The status line's two texts, from a recording's format, its file and, after a stop, the
// file's size. Text work only: COutputFiles looks the size up and hands it over, so the
// composition runs (and is checked) anywhere, on any input.
#pragma once

#include <cstdint>
#include <string>

namespace velto {

// What the status line shows when there is no finished recording to tell of.
inline constexpr wchar_t kIdleStatusText[] = L"VeltoRecorder v1.02";

// complete: "Recording Complete <file> (<kb>)KByte <kbps>Kbps - <rate>Hz, <Mono|Stereo>", or
// the idle text when the file does not exist (`fileExists` false) or holds less than 1 KiB.
// Otherwise: "<TYPE> DirectRecording <kbps>Kbps - <rate>Hz, <Mono|Stereo>, <file>".
std::wstring FormatStatusText(int complete, int type, int quality, const std::wstring& file,
                              bool fileExists, uint64_t fileBytes);

}  // namespace velto
