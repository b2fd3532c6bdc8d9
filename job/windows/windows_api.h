// The Windows headers as the console's platform files include them: the lean set, and no min
// and max macros to clash with the standard library's.
#pragma once

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // libstdc++ may have defined it already
#define NOMINMAX
#endif
#include <windows.h>
