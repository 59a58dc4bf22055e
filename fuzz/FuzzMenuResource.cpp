// Fuzz target: the MENU resource reader and the menu bar resource reader.
#include <cstddef>
#include <cstdint>

#include "platform/ui/MenuResource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<wce::ui::MenuItemTemplate> items;
    wce::ui::ReadMenuTemplate(ByteReader(data, size), items);
    wce::ui::MenuBarTemplate bar;
    wce::ui::ReadMenuBarTemplate(ByteReader(data, size), bar);
    return 0;
}
