// What the resource functions need from the module registry.
#pragma once

#include "ModuleImage.h"
#include "wce/WinTypes.h"

namespace wce {

// The mapped image of a module (NULL is the program), or null for an unknown handle or a module
// without an image (the program before WceSetModuleResourceImage). It stays valid until the
// module is freed or its image replaced, as resource pointers do on the platform.
const MappedImage* ModuleImageOf(HMODULE module);

}  // namespace wce
