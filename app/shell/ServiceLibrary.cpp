// Binding the service library: the program reaches its factories only by ordinal.
#include "ServiceLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <string>

namespace {

constexpr const char* SERVICE_LIBRARY_FILE = "libOrvMobileEngCE.so";

ServiceFactories g_factories;
bool g_bound = false;

std::string ProgramFolder()
{
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string path(buffer, length > 0 ? size_t(length) : 0);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void* OpenServiceLibrary()
{
    const std::string folder = ProgramFolder();
    const std::string candidates[] = {
        folder + SERVICE_LIBRARY_FILE,
        folder + "../lib/" + SERVICE_LIBRARY_FILE,
        SERVICE_LIBRARY_FILE,
    };
    for (const std::string& candidate : candidates) {
        if (void* library = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    return nullptr;
}

template <typename Fn>
bool BindOrdinal(void* library, int ordinal, Fn& out)
{
    out = reinterpret_cast<Fn>(::dlsym(library, SERVICE_FACTORY_NAMES[ordinal]));
    return out != nullptr;
}

} // namespace

bool BindServiceLibrary()
{
    if (g_bound)
        return true;
    void* library = OpenServiceLibrary();
    if (!library)
        return false;
    ServiceFactories bound;
    // The library stays loaded until the process ends, like a linked import.
    if (!BindOrdinal(library, ORDINAL_CREATE_SERVICE_CONTEXT, bound.createServiceContext)
        || !BindOrdinal(library, ORDINAL_CREATE_LOG_WRITER, bound.createLogWriter)
        || !BindOrdinal(library, ORDINAL_CREATE_BACKUP_STORE, bound.createBackupStore)
        || !BindOrdinal(library, ORDINAL_CREATE_SETTINGS_STORE, bound.createSettingsStore)
        || !BindOrdinal(library, ORDINAL_CREATE_NULL_SERVICE, bound.createNullService)
        || !BindOrdinal(library, ORDINAL_CREATE_NULL_OBJECT, bound.createNullObject))
        return false;
    g_factories = bound;
    g_bound = true;
    return true;
}

const ServiceFactories& GetServiceFactories()
{
    return g_factories;
}
