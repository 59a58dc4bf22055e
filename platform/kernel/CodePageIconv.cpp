// The 8-bit code pages (1252, 936, 950 and whatever else glibc knows as "CP<n>") through iconv.
// Conversions sit on hot paths (every scanned path is converted), so descriptors are cached per
// thread and text that is plain ASCII never reaches iconv.
#include "CodePageInternal.h"

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <iconv.h>

namespace wce::codepage {
namespace {

static_assert(std::endian::native == std::endian::little, "WCHAR text is handed to iconv as UTF-16LE");

constexpr size_t CHUNK_UNITS = 256;
constexpr size_t CACHE_SLOTS = 8;
const iconv_t NO_DESCRIPTOR = reinterpret_cast<iconv_t>(-1);

// One thread's open descriptors, closed when the thread ends. A descriptor carries shift state,
// so it must never be shared between threads.
class DescriptorCache {
public:
    ~DescriptorCache()
    {
        for (Slot& slot : slots) {
            if (slot.descriptor != NO_DESCRIPTOR)
                iconv_close(slot.descriptor);
        }
    }

    // Whether glibc converts the code page both ways; a look at the slots first, as every
    // conversion asks.
    bool Knows(UINT codePage)
    {
        int directions = 0;
        for (const Slot& slot : slots)
            directions += slot.descriptor != NO_DESCRIPTOR && slot.codePage == codePage;
        return directions == 2 || (Get(codePage, true) != NO_DESCRIPTOR && Get(codePage, false) != NO_DESCRIPTOR);
    }

    iconv_t Get(UINT codePage, bool toWide)
    {
        for (Slot& slot : slots) {
            if (slot.descriptor != NO_DESCRIPTOR && slot.codePage == codePage && slot.toWide == toWide) {
                iconv(slot.descriptor, nullptr, nullptr, nullptr, nullptr);
                return slot.descriptor;
            }
        }
        char name[16];
        std::snprintf(name, sizeof name, "CP%u", codePage);
        iconv_t descriptor = toWide ? iconv_open("UTF-16LE", name) : iconv_open(name, "UTF-16LE");
        if (descriptor == NO_DESCRIPTOR)
            return descriptor;
        // The other direction of the same code page may be in use by the caller: never evicted.
        size_t index = next++ % CACHE_SLOTS;
        if (slots[index].descriptor != NO_DESCRIPTOR && slots[index].codePage == codePage)
            index = next++ % CACHE_SLOTS;
        Slot& slot = slots[index];
        if (slot.descriptor != NO_DESCRIPTOR)
            iconv_close(slot.descriptor);
        slot = Slot { codePage, toWide, descriptor };
        return descriptor;
    }

private:
    struct Slot {
        UINT codePage = 0;
        bool toWide = false;
        iconv_t descriptor = NO_DESCRIPTOR;
    };
    Slot slots[CACHE_SLOTS];
    size_t next = 0;
};

thread_local DescriptorCache cache;

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in 1252; the platform passes them
// through as the C1 controls of the same value, and glibc refuses them. Both directions agree.
bool Is1252Hole(uint32_t value)
{
    return value == 0x81 || value == 0x8D || value == 0x8F || value == 0x90 || value == 0x9D;
}

// The replacement for a byte sequence that is not a character of the code page.
WCHAR UndecodableByte(UINT codePage, uint8_t byte)
{
    return codePage == 1252 && Is1252Hole(byte) ? WCHAR(byte) : WCHAR(u'?');
}

void PutWideChunk(const char* bytes, size_t byteCount, WideSink& sink)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i + 1 < byteCount; i += 2)
        sink.Put(WCHAR(p[i] | p[i + 1] << 8));
}

bool IsPairAt(const WCHAR* unit, size_t unitsLeft)
{
    return unitsLeft >= 2 && unit[0] >= 0xD800 && unit[0] <= 0xDBFF && unit[1] >= 0xDC00 && unit[1] <= 0xDFFF;
}

void PutDefault(const Substitution& substitution, bool& usedDefault, ByteSink& sink)
{
    for (size_t i = 0; i < substitution.length; ++i)
        sink.Put(substitution.bytes[i]);
    usedDefault = true;
}

// A character the code page lacks, or a lone surrogate, where iconv stopped: its best fit, or one
// default character (a valid pair is one character). Returns the units it stands for.
size_t PutUnmappable(UINT codePage, const WCHAR* unit, size_t unitsLeft, const Substitution& substitution,
                     bool& usedDefault, ByteSink& sink)
{
    if (codePage == 1252 && Is1252Hole(unit[0])) {
        sink.Put(char(unit[0]));
        return 1;
    }
    char fit = substitution.bestFit ? BestFitChar(unit[0]) : 0;
    if (fit != 0)
        sink.Put(fit);
    else
        PutDefault(substitution, usedDefault, sink);
    return IsPairAt(unit, unitsLeft) ? 2 : 1;
}

// Converts count units (one character) alone; the number of bytes, or 0 when iconv refuses it.
size_t ConvertOne(iconv_t descriptor, const WCHAR* unit, size_t count, char* out, size_t outSize)
{
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    char* input = reinterpret_cast<char*>(const_cast<WCHAR*>(unit));
    size_t inputLeft = count * 2;
    char* output = out;
    size_t outputLeft = outSize;
    if (iconv(descriptor, &input, &inputLeft, &output, &outputLeft) == size_t(-1) || inputLeft != 0)
        return 0;
    return outSize - outputLeft;
}

// Whether the bytes of one character read back as exactly that character.
bool RoundTrips(UINT codePage, const char* bytes, size_t count, const WCHAR* unit, size_t units)
{
    WCHAR back[4];
    WideSink sink { back, 4 };
    if (AnsiToWide(codePage, bytes, count, true, sink) != Status::Ok || sink.count != units)
        return false;
    return back[0] == unit[0] && (units == 1 || back[1] == unit[1]);
}

// The exact conversion for WC_NO_BEST_FIT_CHARS, one character at a time, each checked by reading
// it back: slower, and only for callers who must know that nothing was replaced.
Status WideToAnsiExact(UINT codePage, iconv_t descriptor, const WCHAR* unit, size_t unitsLeft,
                       const Substitution& substitution, bool& usedDefault, ByteSink& sink)
{
    while (unitsLeft > 0 && !sink.Overflowed()) {
        size_t units = IsPairAt(unit, unitsLeft) ? 2 : 1;
        char bytes[16];
        size_t count = unit[0] < 0x80 ? (bytes[0] = char(unit[0]), 1) : ConvertOne(descriptor, unit, units, bytes, sizeof bytes);
        if (count != 0 && (unit[0] < 0x80 || RoundTrips(codePage, bytes, count, unit, units))) {
            for (size_t i = 0; i < count; ++i)
                sink.Put(bytes[i]);
        } else if (codePage == 1252 && Is1252Hole(unit[0])) {
            sink.Put(char(unit[0]));
        } else {
            PutDefault(substitution, usedDefault, sink);
        }
        unit += units;
        unitsLeft -= units;
    }
    return Status::Ok;
}

}  // namespace

namespace {

// The code pages found convertible, shared by all threads so that the check every conversion
// makes stays a few loads; 0 marks a free place.
constexpr size_t KNOWN_SLOTS = 8;
std::atomic<UINT> knownCodePages[KNOWN_SLOTS];
std::atomic<size_t> nextKnown { 0 };

}  // namespace

bool IsIconvCodePage(UINT codePage)
{
    for (const std::atomic<UINT>& known : knownCodePages) {
        if (known.load(std::memory_order_relaxed) == codePage)
            return true;
    }
    if (!cache.Knows(codePage))
        return false;
    knownCodePages[nextKnown.fetch_add(1, std::memory_order_relaxed) % KNOWN_SLOTS].store(codePage, std::memory_order_relaxed);
    return true;
}

Status AnsiToWide(UINT codePage, const char* in, size_t length, bool strict, WideSink& sink)
{
    size_t ascii = 0;
    while (ascii < length && static_cast<uint8_t>(in[ascii]) < 0x80 && !sink.Overflowed())
        sink.Put(WCHAR(in[ascii++]));
    if (ascii == length || sink.Overflowed())
        return Status::Ok;

    iconv_t descriptor = cache.Get(codePage, true);
    if (descriptor == NO_DESCRIPTOR)
        return Status::UnsupportedCodePage;
    char* input = const_cast<char*>(in + ascii);
    size_t inputLeft = length - ascii;
    while (inputLeft > 0 && !sink.Overflowed()) {
        char chunk[CHUNK_UNITS * 2];
        char* output = chunk;
        size_t outputLeft = sizeof chunk;
        size_t result = iconv(descriptor, &input, &inputLeft, &output, &outputLeft);
        PutWideChunk(chunk, sizeof chunk - outputLeft, sink);
        if (result != size_t(-1) || errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a lead byte cut off by the end of the input. The bytes that 1252
        // passes through are characters, so even a strict conversion takes them.
        uint8_t byte = static_cast<uint8_t>(*input);
        if (strict && !(codePage == 1252 && Is1252Hole(byte)))
            return Status::InvalidChars;
        sink.Put(UndecodableByte(codePage, byte));
        ++input;
        --inputLeft;
        iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    }
    return Status::Ok;
}

Status WideToAnsi(UINT codePage, const WCHAR* in, size_t length, const Substitution& substitution,
                  bool& usedDefault, ByteSink& sink)
{
    size_t ascii = 0;
    while (ascii < length && in[ascii] < 0x80 && !sink.Overflowed())
        sink.Put(char(in[ascii++]));
    if (ascii == length || sink.Overflowed())
        return Status::Ok;

    iconv_t descriptor = cache.Get(codePage, false);
    if (descriptor == NO_DESCRIPTOR)
        return Status::UnsupportedCodePage;
    const WCHAR* unit = in + ascii;
    size_t unitsLeft = length - ascii;
    if (!substitution.bestFit)
        return WideToAnsiExact(codePage, descriptor, unit, unitsLeft, substitution, usedDefault, sink);
    while (unitsLeft > 0 && !sink.Overflowed()) {
        char* input = reinterpret_cast<char*>(const_cast<WCHAR*>(unit));
        size_t inputLeft = unitsLeft * 2;
        char chunk[CHUNK_UNITS];
        char* output = chunk;
        size_t outputLeft = sizeof chunk;
        size_t result = iconv(descriptor, &input, &inputLeft, &output, &outputLeft);
        for (size_t i = 0; i < sizeof chunk - outputLeft; ++i)
            sink.Put(chunk[i]);
        unit = reinterpret_cast<const WCHAR*>(input);
        unitsLeft = inputLeft / 2;
        if (result != size_t(-1) || errno == E2BIG)
            continue;
        size_t skipped = PutUnmappable(codePage, unit, unitsLeft, substitution, usedDefault, sink);
        unit += skipped;
        unitsLeft -= skipped;
        iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    }
    return Status::Ok;
}

bool IsOneCharacter(UINT codePage, const char* bytes, size_t count)
{
    WCHAR wide[4];
    WideSink sink { wide, 4 };
    return AnsiToWide(codePage, bytes, count, true, sink) == Status::Ok && sink.count == 1;
}

}  // namespace wce::codepage
