// The name of the recorder's single-instance mutex. The recorder holds it for its whole run;
// the update library waits for it to disappear before it starts a new recorder.
#pragma once

namespace velto {

inline constexpr wchar_t kInstanceMutexName[] = L"Dovrane_Tonnix__ylskdjgoe2lkjg";

}  // namespace velto
