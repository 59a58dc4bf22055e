// Reading container headers.
#include "ContainerHeader.h"

#include <cstring>
#include <vector>

#include "core/TextLines.h"

namespace orv {
namespace {

bool ParseNumber(const std::string& text, uint64_t limit, uint64_t& value)
{
    if (text.empty() || text.size() > 19)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + uint64_t(c - '0');
    }
    return value <= limit;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == separator)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// Days from 1970-01-01 to a civil date and back, for dates of the proleptic Gregorian calendar.
void CivilFromDays(int64_t days, uint32_t& year, uint32_t& month, uint32_t& day)
{
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = uint32_t(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = uint32_t(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = uint32_t(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

bool ParseContainerHeader(const uint8_t* data, size_t size, ContainerHeader& header, std::string& error)
{
    if (size < CONTAINER_HEADER_SIZE) {
        error = "shorter than its 512-byte header";
        return false;
    }
    std::string text(reinterpret_cast<const char*>(data), CONTAINER_HEADER_SIZE);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0' || text.back() == '\n'))
        text.pop_back();
    for (char c : text)
        if (c < 0x20 || c > 0x7e) {
            error = "the header is not ASCII text";
            return false;
        }
    std::vector<std::string> fields = Split(text, ':');
    if (fields.size() < 8 || fields[0] != "ClamAV-VDB") {
        error = "no database container header";
        return false;
    }
    uint64_t version = 0, signatures = 0, level = 0;
    if (!ParseNumber(fields[2], UINT32_MAX, version) || !ParseNumber(fields[3], UINT32_MAX, signatures)
        || !ParseNumber(fields[4], UINT32_MAX, level)) {
        error = "the header's version, signature count or level is not a number";
        return false;
    }
    if (fields[5].size() != 32) {
        error = "the header has no MD5 of the archive to check";
        return false;
    }
    for (size_t i = 0; i < 16; ++i) {
        int high = HexDigit(fields[5][2 * i]), low = HexDigit(fields[5][2 * i + 1]);
        if (high < 0 || low < 0) {
            error = "the header has no MD5 of the archive to check";
            return false;
        }
        header.md5[i] = uint8_t(high << 4 | low);
    }
    header.timeText = fields[1];
    header.version = uint32_t(version);
    header.signatures = uint32_t(signatures);
    header.level = uint32_t(level);
    header.digitalSignature = fields[6];
    header.builder = fields[7];
    uint64_t seconds = 0;
    constexpr uint64_t LAST_SECOND = 253402300799ull;  // 9999-12-31 23:59:59
    header.buildSeconds = fields.size() > 8 && ParseNumber(fields[8], LAST_SECOND, seconds) ? int64_t(seconds) : -1;
    return true;
}

bool ContainerDate(const ContainerHeader& header, uint32_t& year, uint32_t& month, uint32_t& day)
{
    if (header.buildSeconds >= 0) {
        CivilFromDays(header.buildSeconds / 86400, year, month, day);
        return year <= 9999;
    }
    // "08 Dec 2026 20-19 +0000"
    static const char* const MONTHS[] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    std::vector<std::string> parts = Split(header.timeText, ' ');
    uint64_t d = 0, y = 0;
    if (parts.size() < 3 || !ParseNumber(parts[0], 31, d) || !ParseNumber(parts[2], 9999, y) || d == 0)
        return false;
    for (uint32_t m = 0; m < 12; ++m)
        if (parts[1] == MONTHS[m]) {
            year = uint32_t(y);
            month = m + 1;
            day = uint32_t(d);
            return true;
        }
    return false;
}

} // namespace orv
