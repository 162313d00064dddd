// A parent window that records what the kit's controls send it, and a message pump.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "viewer/framework/Window.h"

namespace controls_test {

struct Sent {
    UINT msg;
    WPARAM w;
    LPARAM l;
    bool operator==(const Sent&) const = default;
};

// Records the kit's private messages and WM_COMMAND; everything else goes to
// the framework (which reflects owner drawing back to the controls).
class RecordingParent : public fw::Window {
public:
    bool Create(int width = 800, int height = 600);
    std::vector<Sent> sent;
    // Only the messages of one kind.
    std::vector<Sent> Of(UINT msg) const;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
};

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 3000);
void Pump(DWORD ms = 50);
// The colour at (x, y) of a window's client area as drawn now.
COLORREF PixelOf(HWND hwnd, int x, int y);

}  // namespace controls_test
