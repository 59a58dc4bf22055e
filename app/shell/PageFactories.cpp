// The page factories. Pages that are not part of the program yet make nothing, so their
// commands leave the main window as it is.
#include "PageFactories.h"

#include "DialogPage.h"

// FIXME: construct the log, backup, scan, option and about pages here as each one lands.
AppPage* CreateLogPage(ServiceContext*, LogWriter*) { return nullptr; }
AppPage* CreateBackupPage(ServiceContext*) { return nullptr; }
AppPage* CreateScanPage(ServiceContext*, ScanBridge*, LogWriter*) { return nullptr; }
AppPage* CreateOptionPage(ServiceContext*) { return nullptr; }
AppPage* CreateAboutPage(ServiceContext*) { return nullptr; }
