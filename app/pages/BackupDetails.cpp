// Texts of one backup record. The record's fields come from a backup header on the storage card
// or in the backup folder, so none of them is trusted to be terminated.
#include "BackupDetails.h"

#include <PathAlias.h>
#include <TextHelpers.h>

#include <cstring>

namespace {

constexpr int DATE_DIGITS = 8;

// An ANSI field copied into a buffer one longer than the field, so it always ends.
template <size_t N>
void AnsiFieldText(const char (&field)[N], WCHAR* out) noexcept
{
    char text[N + 1];
    std::memcpy(text, field, N);
    text[N] = 0;
    AnsiToWide(out, text);
}

// The position after the last '\' within the field, or -1 when there is none.
int NameStart(const WCHAR* path) noexcept
{
    int start = -1;
    for (int i = 0; i < MAX_PATH && path[i] != 0; ++i) {
        if (path[i] == u'\\')
            start = i + 1;
    }
    return start;
}

} // namespace

// A name the code page cannot carry is kept as '?' and its UTF-8 bytes; it is shown as itself.
void BackupSourceText(const BackupRecord& record, WCHAR* out) noexcept
{
    char text[sizeof record.sourcePath + 1];
    std::memcpy(text, record.sourcePath, sizeof record.sourcePath);
    text[sizeof record.sourcePath] = 0;
    if (!EngineTextToPath(text, out, MAX_PATH))
        AnsiFieldText(record.sourcePath, out);
}

void BackupDateText(const BackupRecord& record, WCHAR* out) noexcept
{
    out[0] = 0;
    const int start = NameStart(record.backupPath);
    if (start < 0 || start > MAX_PATH - DATE_DIGITS)
        return;
    const WCHAR* name = record.backupPath + start;
    for (int i = 0; i < DATE_DIGITS; ++i) {
        if (name[i] == 0)
            return;   // a name too short to hold a date shows none
    }
    const WCHAR date[BACKUP_DATE_CHARS] = { name[0], name[1], name[2], name[3], u'.', name[4],
                                            name[5], u'.', name[6], name[7], 0 };
    std::memcpy(out, date, sizeof date);
}

void FormatBackupDetails(const BackupRecord& record, const WCHAR* format, WCHAR* out) noexcept
{
    WCHAR source[MAX_PATH];
    WCHAR virus[MAX_PATH];
    WCHAR date[BACKUP_DATE_CHARS];
    BackupSourceText(record, source);
    AnsiFieldText(record.virusName, virus);
    BackupDateText(record, date);
    wsprintfW(out, format, source, virus, date, unsigned(record.dataSize));
}
