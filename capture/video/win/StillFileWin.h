// The still image file over Win32: created truncating and shared, written in
// one pass, removed again when a write fails.
#pragma once

#include <windows.h>

#include "VideoHost.h"

namespace Capwell::Lib {

// Owns one file handle.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE h) : h_(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    void Reset(HANDLE h) {
        Close();
        h_ = h;
    }
    bool Close() {
        if (!valid()) return true;
        const BOOL ok = CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

class StillFileWin : public StillFile {
public:
    bool Create(const CpwWChar* path) override;
    bool Write(const uint8_t* data, std::size_t size) override;
    bool Close() override;
    bool Exists(const CpwWChar* path) override;
    void Remove(const CpwWChar* path) override;

protected:
    // One WriteFile call; tests override it to inject a failing device.
    virtual bool WriteChunk(const uint8_t* data, DWORD size, DWORD& written);

private:
    FileHandle file_;
};

}  // namespace Capwell::Lib
