// The factories of the five pages: each makes its page and runs its Create, or returns null.
#pragma once

class AppPage;
class LogWriter;
class ScanBridge;
class ServiceContext;

AppPage* CreateLogPage(ServiceContext* serviceContext, LogWriter* logWriter);
AppPage* CreateBackupPage(ServiceContext* serviceContext);
AppPage* CreateScanPage(ServiceContext* serviceContext, ScanBridge* scanBridge, LogWriter* logWriter);
AppPage* CreateOptionPage(ServiceContext* serviceContext);
AppPage* CreateAboutPage(ServiceContext* serviceContext);
