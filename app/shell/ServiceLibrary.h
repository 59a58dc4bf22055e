// The service library's six factories, bound by ordinal when the program starts.
#pragma once

#include <OrvMobileEngCE.h>

struct ServiceFactories {
    CreateServiceContextFn createServiceContext = nullptr;
    CreateLogWriterFn createLogWriter = nullptr;
    CreateBackupStoreFn createBackupStore = nullptr;
    CreateSettingsStoreFn createSettingsStore = nullptr;
    CreateNullServiceFn createNullService = nullptr;
    CreateNullObjectFn createNullObject = nullptr;
};

// Loads libOrvMobileEngCE.so (beside the program, in the lib folder next to the program's
// folder, or wherever the loader finds it) once; false when the library or an export is missing.
bool BindServiceLibrary();

// The bound factories; all null before a successful BindServiceLibrary.
const ServiceFactories& GetServiceFactories();
