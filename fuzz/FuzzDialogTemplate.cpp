// Fuzz target: the dialog template reader (classic and extended layouts).
#include <cstddef>
#include <cstdint>

#include "platform/ui/DialogTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    wce::ui::DialogTemplate dialog;
    if (wce::ui::ReadDialogTemplate(ByteReader(data, size), dialog)) {
        for (const wce::ui::DialogItemTemplate& item : dialog.items)
            if (item.windowClass.isOrdinal)
                wce::ui::PredefinedClassName(item.windowClass.ordinal);
    }
    return 0;
}
