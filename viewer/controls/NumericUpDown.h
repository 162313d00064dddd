// A number box: the value on a light field and the "<" and ">" image buttons,
// which step the value once when pressed and, held, every 50 ms after half a
// second. Value changes are sent to the parent as the number-value message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "viewer/controls/BitmapButtonEx.h"
#include "viewer/core/UpDownModel.h"
#include "viewer/framework/Controls.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class NumericUpDown : public fw::StaticControl {
public:
    static constexpr UINT_PTR kIncrementRepeatTimer = 1;
    static constexpr UINT_PTR kDecrementRepeatTimer = 2;
    // Milliseconds of a steady clock; replaceable so tests can hold a button
    // for a second without waiting one.
    using Clock = std::function<std::uint64_t()>;

    NumericUpDown() noexcept;
    bool Create(HWND parent, UINT id, const RECT& rect, DWORD style = WS_CHILD | WS_VISIBLE) noexcept;
    // Takes over a template's "NumericUpDown" window and makes its children.
    bool Attach(HWND control) noexcept;

    void SetRange(int minimum, int maximum) noexcept;
    void SetStep(int step) noexcept { model_.SetStep(step); }
    int Value() const noexcept { return model_.Value(); }
    // Kept in range; the text shows it; a change is sent to the parent with `notify`.
    void SetValue(int v, bool notify) noexcept;
    void SetLayoutState(const controls::LayoutState& layout) noexcept;
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    HWND TextWindow() const noexcept { return text_; }
    HWND IncrementButton() const noexcept { return increment_.Handle(); }
    HWND DecrementButton() const noexcept { return decrement_.Handle(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    bool MakeChildren() noexcept;
    void Relayout() noexcept;
    void ShowValue() noexcept;
    void Notify() const noexcept;
    void OnButtonPointer(int id, int phase) noexcept;
    void OnRepeatTimer(UINT_PTR id) noexcept;
    LRESULT OnTextColor(HDC dc) noexcept;

    controls::UpDownModel model_;
    controls::LayoutState layout_{3840, 2560, 0};
    CBitmapButtonEx increment_;
    CBitmapButtonEx decrement_;
    HWND text_ = nullptr;
    fw::WindowTimer increment_timer_;
    fw::WindowTimer decrement_timer_;
    fw::Font text_font_;
    fw::Font button_font_;
    fw::Brush text_back_{CreateSolidBrush(controls::kUpDownTextBack)};
    Clock clock_;
};

}  // namespace vistrel
