// The video waveform display: one colour's density image of a data block that
// the owner fills, over a fixed graticule. The render writes the DIB section's
// pixels directly; painting composes graticule and waveform off screen and
// stretches the result onto the window once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "viewer/core/WaveformRender.h"
#include "viewer/framework/Controls.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class WaveFormControl : public fw::StaticControl {
public:
    WaveFormControl() noexcept;
    bool Create(HWND parent, UINT id, const RECT& rect, DWORD style = WS_CHILD | WS_VISIBLE) noexcept;
    // Takes over a template's "WaveFormControl" window.
    bool Attach(HWND control) noexcept;

    // 0 red, 1 green, 2 blue, anything else white; rebuilds the palette.
    void SetKind(int kind) noexcept;
    int Kind() const noexcept { return kind_; }
    // The data block (kWaveBlockBytes) the owner fills; null before Create or
    // Attach and after the window is destroyed.
    std::uint8_t* Data() noexcept { return block_.get(); }
    // Rebuilds the waveform image from the data block; the owner invalidates.
    void Render() noexcept;
    // Paints the control into `dc` (its client size); WM_PAINT and WM_PRINTCLIENT use it.
    void PaintTo(HDC dc) noexcept;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    // A 32-bit bottom-up DIB section selected into its own memory DC.
    struct Image {
        fw::MemoryDc dc;
        fw::Bitmap bitmap;
        std::uint32_t* pixels = nullptr;
        HGDIOBJ old = nullptr;
        bool Make(int width, int height) noexcept;
        void Release() noexcept;
    };
    bool Init() noexcept;
    void DrawGraticule() noexcept;
    void OnShow(bool shown) noexcept;
    void OnPaint() noexcept;
    void OnDestroy() noexcept;

    int kind_ = 3;
    controls::WavePalette palette_ = controls::MakeWavePalette(3);
    std::unique_ptr<std::uint8_t[]> block_;
    Image wave_;
    Image graticule_;
    Image compose_;  // the paint buffer, made once with the images
    fw::Font label_font_;
};

}  // namespace vistrel
