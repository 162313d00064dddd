// The buttons of the dark views: a text button (message views) and the
// caption's close button, both owner-drawn on the dark background.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/framework/Controls.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class CDarkButton final : public fw::OwnerDrawButton {
public:
    enum class Look { Text, Close };
    explicit CDarkButton(Look look) noexcept : look_(look) {}

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    // The button's font, or a smaller copy when the text would not fit its
    // width (a long translation); remade only when text, font or width change.
    HFONT FittingFont(HDC dc, const std::wstring& text, HFONT font, int width);

    Look look_;
    fw::Font fitted_;
    HFONT fitted_from_ = nullptr;
    std::wstring fitted_text_;
    int fitted_width_ = -1;
};

}  // namespace vistrel
