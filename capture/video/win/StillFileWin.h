// The still image file over Win32: created truncating and shared, written in
// one pass, removed again when a write fails.
#pragma once

#include <windows.h>

#include "capture/video/VideoHost.h"
#include "winkit/Handle.h"

namespace Capwell::Lib {

class StillFileWin : public StillFile {
public:
    [[nodiscard]] bool Create(const CpwWChar* path) override;
    [[nodiscard]] bool Write(const uint8_t* data, std::size_t size) override;
    [[nodiscard]] bool Close() override;
    [[nodiscard]] bool Exists(const CpwWChar* path) override;
    void Remove(const CpwWChar* path) override;

protected:
    // One WriteFile call; tests override it to inject a failing device.
    [[nodiscard]] virtual bool WriteChunk(const uint8_t* data, DWORD size, DWORD& written);

private:
    winkit::UniqueHandle file_;
};

}  // namespace Capwell::Lib
