#include "common/AppMessageBox.h"

namespace velto {

int AppMessageBox(HWND owner, const wchar_t* text, UINT type)
{
    if ((type & MB_ICONMASK) == 0 && (type & MB_TYPEMASK) == MB_OK) type |= MB_ICONEXCLAMATION;
    return ::MessageBoxW(owner, text, kAppName, type);
}

}  // namespace velto
