// The display views of the screens without a live picture: the empty blank
// view and the message view, one instance per message kind 3..11.
#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "viewer/app/Notificators.h"
#include "viewer/views/BaseView.h"
#include "viewer/views/ViewButtons.h"

namespace vistrel {

class CVideoBlankView final : public CBaseDisplayView {
public:
    CVideoBlankView();
};

class CVideoErrorView final : public CBaseDisplayView {
public:
    // The delay after a resume during which "Continue" is held back.
    static constexpr int kResumeDelayMs = 12000;

    explicit CVideoErrorView(int kind, int resume_delay_ms = kResumeDelayMs);
    ~CVideoErrorView() override;

    int Kind() const noexcept { return kind_; }
    bool HasButton() const noexcept;
    // The bounding rectangle of the four lines and, when shown, the button.
    Rect GetExtraRect() const override;

    // Kind 3: a resume event (value 1) restarts the delay; the delay's end
    // delivers a "Continue" tapped during it.
    void OnPowerChanged(const PowerChangedEventArgs& e);
    void OnResumeTimerTick();
    bool ResumeTimerRunning() const noexcept { return resume_timer_ && resume_timer_->Running(); }
    int ContinuePending() const noexcept { return continue_pending_; }

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    std::optional<LRESULT> OnCtlColor(HDC dc, HWND child) override;

private:
    void OnButton();
    void SendToMainWindow(UINT msg) const;

    int kind_;
    std::array<fw::Font, 4> fonts_;
    fw::Font button_font_;
    CDarkButton button_{CDarkButton::Look::Text};
    std::unique_ptr<PowerChangedNotificator> power_;  // kind 3 only
    std::unique_ptr<UIThreadTimer> resume_timer_;      // kind 3 only
    int continue_pending_ = 0;
};

}  // namespace vistrel
