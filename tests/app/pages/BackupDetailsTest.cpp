// The texts of one backup record: the date read from the backup file's name and fields that do
// not end inside the record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "BackupDetails.h"

namespace {

BackupRecord RecordWithBackupPath(const std::u16string& path)
{
    BackupRecord record;
    std::memset(&record, 0, sizeof record);
    std::char_traits<WCHAR>::copy(record.backupPath, path.c_str(), path.size());
    return record;
}

std::u16string DateOf(const BackupRecord& record)
{
    WCHAR date[BACKUP_DATE_CHARS];
    std::fill(std::begin(date), std::end(date), WCHAR(0xCCCC));
    BackupDateText(record, date);
    return date;
}

TEST(BackupDetailsTest, DateComesFromTheFirstEightCharactersOfTheName)
{
    const struct {
        std::u16string path;
        std::u16string date;
    } rows[] = {
        { u"\\Program Files\\OrvMobile\\Orv-Back.Vir\\20060915-101010-000.bak", u"2006.09.15" },
        { u"\\Orv-Back.Vir\\Sub\\20060915", u"2006.09.15" },   // exactly eight characters
        { u"\\Orv-Back.Vir\\2006091", u"" },                   // one short
        { u"\\Orv-Back.Vir\\", u"" },
        { u"20060915.bak", u"" },                               // no folder at all
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.path.begin(), row.path.end()));
        EXPECT_EQ(row.date, DateOf(RecordWithBackupPath(row.path)));
    }
}

TEST(BackupDetailsTest, FieldsFilledToTheirEndsAreCutNotOverrun)
{
    BackupRecord record;
    std::memset(&record, 'A', sizeof record);
    std::fill(std::begin(record.backupPath), std::end(record.backupPath), u'2');
    record.backupPath[MAX_PATH - 4] = u'\\';   // a name of three characters that runs to the field's end
    record.dataSize = 7;
    WCHAR source[MAX_PATH];
    BackupSourceText(record, source);
    EXPECT_EQ(std::u16string(MAX_PATH - 1, u'A'), std::u16string(source));
    EXPECT_EQ(u"", DateOf(record));
    WCHAR text[BACKUP_DETAILS_CHARS];
    FormatBackupDetails(record, u"%s|%s|%s|%d", text);
    EXPECT_EQ(std::u16string(MAX_PATH - 1, u'A') + u"|" + std::u16string(64, u'A') + u"||7", std::u16string(text));
}

} // namespace
