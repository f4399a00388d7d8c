// See windows.h beside this file: WAVEFORMATEX lives there.
#pragma once
#include <windows.h>
