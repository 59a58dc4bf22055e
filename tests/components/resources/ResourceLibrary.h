// Test support: a resource library loaded from the build's res folder, made the device root, and
// small readers for the dialog, menu and menu-bar resources it holds.
#pragma once

#include <stdlib.h>

#include <set>
#include <string>
#include <vector>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "common/ByteReader.h"

class ResourceLibrary {
public:
    explicit ResourceLibrary(const char16_t* fileName)
    {
        setenv("WCE_DEVICE_ROOT", ORV_RES_DIR, 1);
        wce::ReloadDeviceProfile();
        module = LoadLibraryW((std::u16string(u"\\") + fileName).c_str());
    }
    ~ResourceLibrary()
    {
        if (module)
            FreeLibrary(module);
    }
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;

    HMODULE Module() const { return module; }

    // The string, or empty when it is missing; length is the full stored length.
    std::u16string String(UINT id) const
    {
        const WCHAR* text = nullptr;
        int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
        return length > 0 && text ? std::u16string(text, size_t(length)) : std::u16string();
    }

    // The raw bytes of a resource, empty when missing.
    ByteReader Bytes(LPCWSTR type, UINT id) const
    {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
        if (!found)
            return ByteReader();
        HGLOBAL loaded = LoadResource(module, found);
        return ByteReader(LockResource(loaded), SizeofResource(module, found));
    }

private:
    HMODULE module = nullptr;
};

struct DialogItem {
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    int cx = 0, cy = 0;
    std::u16string caption;
    std::vector<DialogItem> items;
};

// Reads a DLGTEMPLATE with its items; false when anything runs past the end.
bool ParseDialog(const ByteReader& bytes, DialogTemplate& out);

struct MenuResource {
    int popupCount = 0;                 // top-level popups
    std::set<WORD> commands;            // every command id, at any depth
};

bool ParseMenu(const ByteReader& bytes, MenuResource& out);

struct MenuBarButton {
    WORD bitmap = 0, command = 0, stateStyle = 0, stringId = 0, popup = 0;
};

struct MenuBarRecord {
    WORD menuId = 0;
    std::vector<MenuBarButton> buttons;
};

bool ParseMenuBar(const ByteReader& bytes, MenuBarRecord& out);
