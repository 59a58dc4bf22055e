// ScanCallbacks: what the engine's scanner asks the bridge during ScanFile (on the scan thread).
#include <cstring>

#include "EngineMemory.h"
#include "EnginePaths.h"
#include "ScanBridgeObject.h"
#include "TextHelpers.h"

namespace {

constexpr int32_t FILE_TYPE_PROGRAMS_AND_DOCUMENTS = 1;
constexpr int32_t VIRUS_ACTION_ASK = 2;
constexpr uint32_t SCAN_FLAG_BITS = 0x3;
constexpr const char* SCANNED_EXTENSIONS[] = { ".exe", ".dll", ".app", ".doc", ".msg" };

ScanBridgeObject* Owner(::ScanCallbacks* self)
{
    return reinterpret_cast<ScanCallbacksView*>(self)->owner;
}

::ScanCallbacks* ENGINE_CALL CallbacksSelf(::ScanCallbacks* self) noexcept { return self; }
int32_t ENGINE_CALL CallbacksVersion(::ScanCallbacks*) noexcept { return ENGINE_CALLBACKS_VERSION; }
int32_t ENGINE_CALL CallbacksOne(::ScanCallbacks*) noexcept { return 1; }
int32_t ENGINE_CALL CallbacksZero(::ScanCallbacks*) noexcept { return 0; }
int32_t ENGINE_CALL CallbacksAskAction(::ScanCallbacks* self, const char* first, const char* second, int32_t* action) noexcept
{
    return Owner(self)->AskAction(first, second, action);
}
int32_t ENGINE_CALL CallbacksAcceptFile(::ScanCallbacks* self, const char* path) noexcept
{
    return Owner(self)->AcceptFile(path);
}
int32_t ENGINE_CALL CallbacksHasScanFlags(::ScanCallbacks* self) noexcept { return Owner(self)->HasScanFlags(); }

}  // namespace

const ScanCallbacksTable SCAN_CALLBACKS_TABLE = {
    CallbacksSelf, CallbacksSelf, CallbacksVersion, CallbacksOne, CallbacksAskAction, CallbacksAcceptFile,
    CallbacksOne, CallbacksOne, CallbacksOne, CallbacksOne, CallbacksHasScanFlags,
    CallbacksZero, CallbacksZero, CallbacksZero,
};

namespace {

// The finding's file as the user knows it: an alias is shown as the path it stands for.
void EngineTextForUser(const char* engineText, WCHAR* out)
{
    char text[TEXT_BUFFER_CHARS];
    CopyEngineText(engineText, text, sizeof text);
    if (!PathToWide(text, out, TEXT_BUFFER_CHARS))
        AnsiToWide(out, text);
}

}  // namespace

// The engine's texts and its answer slot are reached through EngineMemory: a damaged engine must
// not make this callback fault.
int32_t ScanBridgeObject::AskAction(const char* first, const char* second, int32_t* action) noexcept
{
    if (action == nullptr)
        return 1;
    int32_t answer = PROMPT_LEAVE;
    if (options.virusAction != VIRUS_ACTION_ASK) {
        answer = options.virusAction;
    } else if (applyToAll != 0) {
        answer = rememberedAnswer;
    } else if (promptHandler != nullptr) {
        WCHAR firstText[TEXT_BUFFER_CHARS];
        WCHAR secondText[TEXT_BUFFER_CHARS];
        EngineTextForUser(first, firstText);
        char name[TEXT_BUFFER_CHARS];
        CopyEngineText(second, name, sizeof name);
        AnsiToWide(secondText, name);
        answer = promptHandler->Ask(firstText, secondText, &applyToAll);
        if (applyToAll != 0)
            rememberedAnswer = answer;
    }
    int32_t code = MapAction(answer);
    WriteEngineMemory(action, &code, sizeof code);
    return 1;
}

int32_t ScanBridgeObject::AcceptFile(const char* enginePath) noexcept
{
    if (options.fileType != FILE_TYPE_PROGRAMS_AND_DOCUMENTS || enginePath == nullptr)
        return 1;
    char path[TEXT_BUFFER_CHARS];
    CopyEngineText(enginePath, path, sizeof path);
    const char* extension = FindExtensionA(path);
    if (extension == nullptr)
        return 1;
    for (const char* accepted : SCANNED_EXTENSIONS) {
        if (EqualsIgnoreCaseA(extension, accepted))
            return 1;
    }
    return 0;
}

int32_t ScanBridgeObject::HasScanFlags() noexcept
{
    return (options.flag & SCAN_FLAG_BITS) != 0 ? 1 : 0;
}
