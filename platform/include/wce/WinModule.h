// Modules and resources: resource-only PE libraries mapped as data, and resource look-up in them
// and in the program's own module.
#pragma once

#include "WinTypes.h"

#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_FONTDIR MAKEINTRESOURCE(7)
#define RT_FONT MAKEINTRESOURCE(8)
#define RT_ACCELERATOR MAKEINTRESOURCE(9)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_MESSAGETABLE MAKEINTRESOURCE(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_VERSION MAKEINTRESOURCE(16)
#define RT_HTML MAKEINTRESOURCE(23)

#define LANG_NEUTRAL 0x00
#define LANG_CHINESE 0x04
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_CHINESE_TRADITIONAL 0x01
#define SUBLANG_CHINESE_SIMPLIFIED 0x02
#define MAKELANGID(p, s) ((WORD)((((WORD)(s)) << 10) | (WORD)(p)))
#define PRIMARYLANGID(lgid) ((WORD)(lgid) & 0x3ff)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002

// A bare file name is looked for in the program's folder, then in "\Windows\"; without an
// extension ".dll" is added. Loading a module again returns the same handle with one more reference.
// Libraries are mapped as data only: their code never runs.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
BOOL FreeLibrary(HMODULE hLibModule);
// NULL is the program; otherwise a loaded module by file name (or full device path).
HMODULE GetModuleHandleW(LPCWSTR lpModuleName);
// The device path of the module's file; a path that does not fit is cut, terminated, and the
// result is nSize with ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// Type and name are integer ids (MAKEINTRESOURCE) or strings, compared without case; "#123" is id
// 123. FindResourceW takes any language, preferring neutral, then English.
HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
// Note the order: type before name. Language 0 means any, as in FindResourceW.
HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage);
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
LPVOID LockResource(HGLOBAL hResData);
BOOL FreeResource(HGLOBAL hResData);

// String uID from its block of 16. With cchBufferMax 0, lpBuffer receives a read-only pointer to
// the counted (unterminated) string and the result is its length. Otherwise the text is cut to
// cchBufferMax - 1 characters and terminated. 0 when the string is missing or empty.
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);

// Platform extension: gives a module (NULL or GetModuleHandleW(NULL) for the program) the
// resources of a resource-only PE image held in memory, such as one embedded in the program's
// binary. The bytes are copied; an earlier image of the module is released.
BOOL WceSetModuleResourceImage(HMODULE module, const void* peImage, DWORD size);
