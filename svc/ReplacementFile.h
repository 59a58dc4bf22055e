// ReplacementFile: a new version of a file written beside it under a temporary name, flushed,
// renamed over it and the folder flushed, so that a kill or a power cut at any moment leaves the
// old file or the new one, never a mix. Temporary files carry one recognisable name,
// "~orv<8 hex digits>.tmp"; those a killed writer left behind are removed by the next writer in
// their folder.
#pragma once

#include <cstdint>

#include <windows.h>

constexpr WCHAR REPLACEMENT_PATTERN[] = u"~orv*.tmp";

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile() { Abort(); }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file in target's folder, after removing stale ones there; false when
    // the target has no folder, the path would not fit, or the file cannot be created.
    bool Begin(const WCHAR* target) noexcept;
    // Every byte or false.
    bool Write(const void* data, uint32_t bytes) noexcept;
    // Flushes, renames over the target and flushes the folder; false (the target unchanged, the
    // temporary file gone) when any step fails.
    bool Commit() noexcept;
    // Removes the temporary file; nothing happens to the target.
    void Abort() noexcept;
    const WCHAR* TemporaryPath() const { return tempPath; }

private:
    HANDLE file = INVALID_HANDLE_VALUE;
    WCHAR targetPath[MAX_PATH] = {};
    WCHAR tempPath[MAX_PATH] = {};
};

// Removes the temporary files of the folder that holds path whose writer has gone (a live writer
// holds a lock on its file, which is released when it ends, however it ends).
void RemoveStaleReplacements(const WCHAR* path) noexcept;
