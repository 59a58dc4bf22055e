// The Windows CE API subset that this project's platform layer provides on POSIX.
#pragma once

#include "wce/WinTypes.h"
#include "wce/WinBase.h"
#include "wce/WinNls.h"
#include "wce/WinString.h"
#include "wce/WinModule.h"
#if __has_include("wce/WinUser.h")
#include "wce/WinUser.h"
#endif
#if __has_include("wce/WinGdi.h")
#include "wce/WinGdi.h"
#endif
