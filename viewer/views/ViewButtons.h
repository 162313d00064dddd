// The buttons of the dark views: a text button (message views) and the
// caption's close button, both owner-drawn on the dark background.
#pragma once

#include <windows.h>

#include "viewer/framework/Controls.h"

namespace vistrel {

class CDarkButton final : public fw::OwnerDrawButton {
public:
    enum class Look { Text, Close };
    explicit CDarkButton(Look look) noexcept : look_(look) {}

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    Look look_;
};

}  // namespace vistrel
