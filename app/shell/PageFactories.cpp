// The page factories. Pages that are not part of the program yet make nothing, so their
// commands leave the main window as it is.
#include "PageFactories.h"

#include "DialogPage.h"

// FIXME: construct the log, backup, scan and option pages here as each one lands (the about
// page has its factory beside it in the pages library).
AppPage* CreateLogPage(ServiceContext*, LogWriter*) { return nullptr; }
AppPage* CreateBackupPage(ServiceContext*) { return nullptr; }
AppPage* CreateScanPage(ServiceContext*, ScanBridge*, LogWriter*) { return nullptr; }
AppPage* CreateOptionPage(ServiceContext*) { return nullptr; }
