// The in-process automation calls that are not about message boxes.
#include "wce/Automation.h"

#include "ModalWait.h"

namespace wce::automation {

void AdvanceUiClock(DWORD milliseconds)
{
    wce::ui::AdvanceUiClock(milliseconds);
}

}  // namespace wce::automation
