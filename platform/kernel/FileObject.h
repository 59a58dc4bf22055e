// The kernel object behind a file handle.
#pragma once

#include <sys/types.h>

#include <wce/WinBase.h>

#include "HandleTable.h"

namespace wce {

class FileObject : public KernelObject {
public:
    FileObject(int fd, DWORD access, DWORD share, dev_t device, ino_t inode);
    ~FileObject() override;

    bool CanRead() const { return (access & GENERIC_READ_BIT) != 0; }
    bool CanWrite() const { return (access & GENERIC_WRITE_BIT) != 0; }
    // The same questions for a call that needs the access: ERROR_ACCESS_DENIED when it is missing.
    bool AllowsReading() const { return Allows(CanRead()); }
    bool AllowsWriting() const { return Allows(CanWrite()); }

    const int fd;
    const DWORD access;
    const DWORD share;
    const dev_t device;
    const ino_t inode;

    static constexpr DWORD GENERIC_READ_BIT = 0x80000000u;
    static constexpr DWORD GENERIC_WRITE_BIT = 0x40000000u;

private:
    static bool Allows(bool granted)
    {
        if (!granted)
            SetLastError(ERROR_ACCESS_DENIED);
        return granted;
    }
};

// Registers an opened file for the sharing checks of later opens; the object unregisters itself when
// destroyed. False, and nothing registered, when a file of this process is open with a share mode
// that does not allow the new access, or the new share mode does not allow an access already granted.
bool RegisterOpenFile(FileObject* file);

// Whether this process's open handles of the file let another open with this access and share
// mode (the checks CopyFileW makes on its source and target).
bool OpenFilesAllow(dev_t device, ino_t inode, DWORD access, DWORD share);

}  // namespace wce
