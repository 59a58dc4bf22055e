// The texts the backup page shows for one backup record: its source path, the date in the backup
// file's name and the details paragraph.
#pragma once

#include <OrvMobileEngCE.h>

// "yyyy.mm.dd" and the terminator.
constexpr int BACKUP_DATE_CHARS = 11;
// Room for the details text: wsprintfW never writes more than 1024 characters and the terminator.
constexpr int BACKUP_DETAILS_CHARS = 1025;

// The record's source path in UTF-16, into out (MAX_PATH characters); cut and terminated.
void BackupSourceText(const BackupRecord& record, WCHAR* out) noexcept;

// The date that the file name in backupPath starts with: the name's first eight characters as
// "yyyy.mm.dd". Empty when the path has no '\' or the name is shorter than eight characters.
void BackupDateText(const BackupRecord& record, WCHAR* out) noexcept;

// format takes the source path, the virus name, the date (strings) and the data size (integer).
void FormatBackupDetails(const BackupRecord& record, const WCHAR* format, WCHAR* out) noexcept;
