// IniDocument: the lines of one INI file in file order, with loading, lookup and saving.
#pragma once

#include <windows.h>

#include "LockedList.h"

enum class IniLineKind : int32_t {
    Key = 0,
    Section = 1,
    Other = 2,     // comments and every line that is neither a section header nor a key line
};

struct IniLine {
    IniLineKind kind;
    WCHAR* name;       // section name or key; owned, may be null
    WCHAR* value;      // value of a key line; owned, may be null
    WCHAR* comment;    // text after a key line's first ';', leading blanks skipped; null without ';'
    WCHAR* text;       // the line as read, without line ends; null for lines a write created
    int32_t modified;  // 1: written back rebuilt from name, value and comment
};

// Settings files hold a handful of lines; anything larger is not ours to parse, and is never saved over.
constexpr uint32_t INI_MAX_FILE_BYTES = 1024 * 1024;

struct IniDocument {
    IniDocument() noexcept;
    ~IniDocument() { delete[] tail; }
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    LockedList lines;      // of IniLine
    int32_t unicode = 0;   // 1: read as UTF-16 with a byte-order mark
    // False when the file exists but was not taken in whole (unreadable, too large, not convertible,
    // memory short): saving such a document would throw away what was not read.
    bool complete = true;
    // The file's bytes from its first zero byte (ANSI) or zero unit (UTF-16) on: the text ends
    // there for the load, and a save writes them back after the new text, so nothing is lost.
    unsigned char* tail = nullptr;
    uint32_t tailSize = 0;
};

inline IniLine* LineOf(LockedListNode* node) { return static_cast<IniLine*>(node->record); }

// Owned-string helpers shared by the INI sources.
size_t TextLength(const WCHAR* text) noexcept;
WCHAR* DupText(const WCHAR* text, size_t length) noexcept;   // null when memory is short
WCHAR* DupText(const WCHAR* text) noexcept;                   // null text gives the empty string

void LoadIniDocument(IniDocument& document, const WCHAR* path) noexcept;
// Parses length characters of text (which ends in a line end) into lines appended to the document.
void ParseIniText(IniDocument& document, const WCHAR* text, size_t length) noexcept;
// The key line of key in the first section named section (both without regard to case), or null.
// When found and out is given, at most outChars - 1 characters of the value are copied to out.
LockedListNode* FindIniKey(IniDocument& document, const WCHAR* section, const WCHAR* key, WCHAR* out,
                           int32_t outChars) noexcept;
LockedListNode* FindIniSection(IniDocument& document, const WCHAR* section) noexcept;
// Rewrites the file at path with the document's lines; a failed save leaves the old file as it was.
void SaveIniDocument(IniDocument& document, const WCHAR* path) noexcept;
