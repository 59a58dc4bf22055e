// Arbitrary bytes as a module image, mapped as LoadLibraryW maps a file, then the look-ups the
// program makes: strings, a dialog template, a bitmap, a menu and a named resource.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include <windows.h>

namespace {

void Touch(HRSRC found)
{
    const volatile uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)));
    DWORD size = SizeofResource(nullptr, found);
    for (DWORD i = 0; data && i < size; ++i)
        (void)data[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!WceSetModuleResourceImage(nullptr, data, DWORD(size)))
        return 0;
    WCHAR text[64];
    const WCHAR* lent = nullptr;
    for (UINT id : { 0u, 1u, 16u, 40092u })
        LoadStringW(nullptr, id, text, 64);
    LoadStringW(nullptr, 1, reinterpret_cast<LPWSTR>(&lent), 0);
    Touch(FindResourceW(nullptr, MAKEINTRESOURCE(102), RT_DIALOG));
    Touch(FindResourceW(nullptr, MAKEINTRESOURCE(110), RT_BITMAP));
    Touch(FindResourceW(nullptr, MAKEINTRESOURCE(300), RT_MENU));
    Touch(FindResourceW(nullptr, u"CONFIG", u"MYDATA"));
    Touch(FindResourceExW(nullptr, RT_STRING, MAKEINTRESOURCE(1), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)));
    return 0;
}
