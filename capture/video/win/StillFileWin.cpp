#include "capture/video/win/StillFileWin.h"

#include <algorithm>

namespace Capwell::Lib {

bool StillFileWin::Create(const CpwWChar* path) {
    file_.Reset(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.Valid();
}

bool StillFileWin::WriteChunk(const uint8_t* data, DWORD size, DWORD& written) {
    return WriteFile(file_.Get(), data, size, &written, nullptr) != FALSE;
}

bool StillFileWin::Write(const uint8_t* data, std::size_t size) {
    constexpr std::size_t kChunk = 1u << 20;
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min(size, kChunk));
        DWORD written = 0;
        if (!WriteChunk(data, want, written) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

bool StillFileWin::Close() {
    // Closed here rather than by the owner: a failed close (a write the system
    // had deferred) must fail the still.
    if (!file_) return true;
    return CloseHandle(file_.Release()) != FALSE;
}

bool StillFileWin::Exists(const CpwWChar* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

void StillFileWin::Remove(const CpwWChar* path) { DeleteFileW(path); }

}  // namespace Capwell::Lib
