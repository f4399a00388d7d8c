// The status line's texts for any record type, row, file name and size: the text must be
// whole (the file name in it as given, '%' and all) and never reach outside the preset tables.
#include "recorder/ui/StatusText.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTargets.h"

namespace velto::fuzz {

int StatusTextTarget(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const int complete = in.Byte() & 1;
    const int type = in.I32();
    const int quality = in.I32();
    const bool exists = (in.Byte() & 1) != 0;
    const uint64_t bytes = in.U64();
    // A path holds no NUL; anything else may come.
    std::wstring file = in.Wide(2000);
    for (auto& c : file)
        if (c == 0) c = L'?';

    const std::wstring text = FormatStatusText(complete, type, quality, file, exists, bytes);
    if (complete && (!exists || bytes < 1024)) {
        FUZZ_CHECK(text == kIdleStatusText);
    } else {
        FUZZ_CHECK(text.find(file) != std::wstring::npos);
        FUZZ_CHECK(text.find(complete ? L"Recording Complete " : L" DirectRecording ") !=
                   std::wstring::npos);
    }
    return 0;
}

}  // namespace velto::fuzz
