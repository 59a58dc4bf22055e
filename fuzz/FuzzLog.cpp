// Fuzz target: arbitrary bytes as the log; Read's display rework, the log page's reading of it and
// each kind of Trim.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzDeviceRoot.h"
#include "LogText.h"

#include "svc/include/OrvMobileEngCE.h"

namespace {

// The shown text is never longer than the file, and the call never writes past the buffer it got.
void ReadAndCheck(LogWriter* log)
{
    int32_t size = log->Read(nullptr, 0);
    std::vector<char16_t> text(size_t(size) / 2 + 2, u'\xCCCC');
    int32_t shown = log->Read(text.data(), uint32_t(size));
    if (shown < 0 || shown > size - 2 || text[text.size() - 1] != u'\xCCCC')
        __builtin_trap();
    // The page's text is what Read showed (up to a zero inside it), ended within the buffer it asked for.
    WCHAR* pageText = ReadLogText(log);
    if (!pageText || std::char_traits<char16_t>::length(pageText) > size_t(shown) / 2)
        __builtin_trap();
    delete[] pageText;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string hostPath = FuzzDeviceRoot() + "/fuzz.log";
    std::ofstream(hostPath, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    ServiceContext* context = CreateServiceContext();
    LogWriter* log = CreateLogWriter(context, u"\\fuzz.log");
    if (log) {
        ReadAndCheck(log);
        log->Trim(size > 0 ? int32_t(data[0]) * 37 + 1 : 1);
        ReadAndCheck(log);
        log->Write(u"entry", u"detail");
        log->Trim(-1);
        ReadAndCheck(log);
        log->Trim(0);
        log->Release();
    }
    context->Release();
    return 0;
}
