// Reading the log's display text for the log page.
#pragma once

#include <windows.h>

class LogWriter;

// The log's text as LogWriter::Read reworks it for display, ended by a zero, in a buffer the caller
// frees with delete[]. Null when there is no log, the log reads as nothing, or memory is short.
WCHAR* ReadLogText(LogWriter* logWriter);
