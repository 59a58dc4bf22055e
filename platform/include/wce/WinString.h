// Placeholder; filled in by the kernel area that owns it.
#pragma once
#include "WinTypes.h"
