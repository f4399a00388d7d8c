// The part every input plug-in of ours shares: the In_Module entries, and one decoding thread
// that reads frames from the format's Decoder, hands visualisation data to the host and writes
// to the output plug-in. At the end of the file it waits for the output to drain and posts
// WM_WA_MPEG_EOF to the host's main window; it keeps running (so a seek can bring it back)
// until the host calls Stop.
//
// Threads: the host calls the entries on its own threads (the caller's, and its timer's for
// GetLength and the output time); the decoding thread owns the decoder while it runs. The
// entries meet it only through atomics (stop, seek request, length) and the thread handle.
#pragma once

#include "outside/plugins/common/Decoder.h"
#include "player/WinampPlugin.h"

namespace velto::plugin {

struct InputPluginInfo {
    const char* description;
    // The contract's list: "wav\0WAV files (*.wav)\0" (the literal adds the final NUL). The
    // host keeps only the first string, so it must name every extension the plug-in claims.
    const char* extensions;
    DecoderFactory makeDecoder;
    const wchar_t* about;
    void (*init)();  // optional: once per Init
};

// This DLL's module record, wired to the shared implementation; for winampGetInModule2.
In_Module* InputModule(const InputPluginInfo& info);

}  // namespace velto::plugin
