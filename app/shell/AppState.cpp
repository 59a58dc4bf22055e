// The one AppState of the process.
#include "AppState.h"

AppState g_app;
