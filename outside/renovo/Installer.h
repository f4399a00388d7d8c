// One update run over a program folder: read the list, compare, download into a temporary
// folder, verify, and replace the changed files in the program folder as one set.
#pragma once

#include <windows.h>

#include <string>

#include "outside/renovo/ListSignature.h"
#include "outside/renovo/UpdateList.h"

namespace renovo {

enum class UpdateOutcome {
    Current,      // nothing newer, or every listed file already matches
    Replaced,     // the changed files are in place
    Unavailable,  // the list could not be had in time, is not a list or is not signed
    Failed,       // a download, a hash or the replacement failed; nothing was changed
};

struct UpdateRequest {
    std::wstring programFolder;  // with trailing backslash
    std::wstring listAddress;
    std::wstring userAgent;
    std::wstring versionLibrary;  // its version resource is the installed version
    PublicKey trustedKey;         // the list must be signed with it
    DWORD listTimeoutMs = 8000;   // the whole list transfer, whatever the network does
};

UpdateOutcome RunUpdate(const UpdateRequest& request, std::wstring& detail);

// The installed version: the version resource of the version library in the program folder,
// or of VeltoRecorder.exe when there is no such library; 0.0.0.0 when neither has one.
Version InstalledVersion(const std::wstring& programFolder, const std::wstring& versionLibrary);

}  // namespace renovo
