// FIXME: the option page is not built yet; until it is, its command leaves the main window as it is.
#include "PageFactories.h"

AppPage* CreateOptionPage(ServiceContext*) { return nullptr; }
