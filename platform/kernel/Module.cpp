// The module registry: LoadLibraryW / FreeLibrary / GetModuleHandleW / GetModuleFileNameW for
// resource-only libraries mapped as data, and the program's own module with its attached resources.
#include <climits>
#include <memory>
#include <mutex>
#include <new>
#include <unistd.h>
#include <vector>

#include "ModuleFile.h"
#include "ModuleInternal.h"
#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"
#include "wce/WinModule.h"
#include "wce/WinString.h"

namespace wce {
namespace {

struct Module {
    std::u16string devicePath;                 // normalized, '\' separators
    int references = 1;                        // the program's module is never counted
    std::unique_ptr<MappedImage> image;        // null for the program until resources are attached
};

std::mutex registryLock;
std::vector<Module*> loadedModules;            // guarded by registryLock

// The running executable as a device path; outside the device root, its host path spelled as one.
std::u16string ProgramDevicePath()
{
    char buffer[4096];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string hostPath(buffer, length > 0 ? size_t(length) : 0);
    std::u16string devicePath;
    if (!hostPath.empty() && DevicePathFromHost(hostPath, devicePath))
        return devicePath;
    return NormalizeDevicePath(Utf8ToUtf16(hostPath.data(), hostPath.size()).c_str());
}

// Called with registryLock held.
Module& ProgramModule()
{
    static Module program;
    if (program.devicePath.empty())
        program.devicePath = ProgramDevicePath();
    return program;
}

HMODULE HandleOf(Module& module)
{
    return reinterpret_cast<HMODULE>(&module);
}

// Called with registryLock held; null for a handle we did not give out.
Module* Find(HMODULE handle)
{
    if (!handle || handle == HandleOf(ProgramModule()))
        return &ProgramModule();
    for (Module* module : loadedModules) {
        if (HandleOf(*module) == handle)
            return module;
    }
    return nullptr;
}

// Called with registryLock held. A bare name matches a module's file name, a path its full path.
Module* FindByName(const WCHAR* name)
{
    bool byPath = HasFolder(name);
    std::u16string wanted = byPath ? NormalizeDevicePath(WithDllExtension(name).c_str()) : WithDllExtension(name);
    auto matches = [&](const Module& module) {
        const std::u16string& have = byPath ? module.devicePath : BaseNameOf(module.devicePath);
        return _wcsicmp(have.c_str(), wanted.c_str()) == 0;
    };
    for (Module* module : loadedModules) {
        if (matches(*module))
            return module;
    }
    Module& program = ProgramModule();
    return matches(program) || (!byPath && _wcsicmp(BaseNameOf(program.devicePath).c_str(), name) == 0) ? &program
                                                                                                           : nullptr;
}

// Where LoadLibraryW looks: a path as given, a bare name in the program's folder, then "\Windows\".
std::vector<std::u16string> Candidates(const WCHAR* name)
{
    std::u16string file = WithDllExtension(name);
    if (HasFolder(name))
        return { NormalizeDevicePath(file.c_str()) };
    return { FolderOf(ProgramModule().devicePath) + file, u"\\Windows\\" + file };
}

// Called with registryLock held. Reads and maps the first candidate that exists.
Module* LoadModule(const WCHAR* name)
{
    std::vector<uint8_t> bytes;
    for (const std::u16string& path : Candidates(name)) {
        ModuleFileStatus status = ReadModuleFile(path, bytes);
        if (status == ModuleFileStatus::NotFound)
            continue;
        std::unique_ptr<MappedImage> image(new (std::nothrow) MappedImage);
        if (status == ModuleFileStatus::Unreadable || !image || !image->Map(bytes.data(), bytes.size())) {
            SetLastError(ERROR_BAD_EXE_FORMAT);
            return nullptr;
        }
        Module* module = new (std::nothrow) Module;
        if (!module) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        module->devicePath = path;
        module->image = std::move(image);
        loadedModules.push_back(module);
        return module;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

}  // namespace

const MappedImage* ModuleImageOf(HMODULE handle)
{
    std::lock_guard<std::mutex> hold(registryLock);
    Module* module = Find(handle);
    return module ? module->image.get() : nullptr;
}

}  // namespace wce

using wce::Module;

HMODULE LoadLibraryW(LPCWSTR lpLibFileName)
{
    return LoadLibraryExW(lpLibFileName, nullptr, 0);
}

// Every library is mapped as data, so LOAD_LIBRARY_AS_DATAFILE changes nothing.
HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    if (!lpLibFileName || !lpLibFileName[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(wce::registryLock);
    Module* module = wce::FindByName(lpLibFileName);
    if (module == &wce::ProgramModule())
        return wce::HandleOf(*module);
    if (module) {
        if (module->references < INT_MAX)
            ++module->references;
        return wce::HandleOf(*module);
    }
    module = wce::LoadModule(lpLibFileName);
    return module ? wce::HandleOf(*module) : nullptr;
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    std::lock_guard<std::mutex> hold(wce::registryLock);
    Module* module = hLibModule ? wce::Find(hLibModule) : nullptr;
    if (!module) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (module == &wce::ProgramModule() || --module->references > 0)
        return TRUE;
    std::erase(wce::loadedModules, module);
    delete module;
    return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR lpModuleName)
{
    std::lock_guard<std::mutex> hold(wce::registryLock);
    Module* module = lpModuleName ? wce::FindByName(lpModuleName) : &wce::ProgramModule();
    if (!module)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return module ? wce::HandleOf(*module) : nullptr;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    std::u16string path;
    {
        std::lock_guard<std::mutex> hold(wce::registryLock);
        Module* module = wce::Find(hModule);
        if (!module) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = module->devicePath;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() < nSize) {
        wcscpy(lpFilename, path.c_str());
        return DWORD(path.size());
    }
    lstrcpynW(lpFilename, path.c_str(), int(nSize < INT_MAX ? nSize : INT_MAX));
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

BOOL WceSetModuleResourceImage(HMODULE module, const void* peImage, DWORD size)
{
    std::unique_ptr<wce::MappedImage> image(new (std::nothrow) wce::MappedImage);
    if (!image || !peImage || !image->Map(static_cast<const uint8_t*>(peImage), size)) {
        SetLastError(peImage ? ERROR_BAD_EXE_FORMAT : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(wce::registryLock);
    Module* target = wce::Find(module);
    if (!target) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    target->image = std::move(image);
    return TRUE;
}
