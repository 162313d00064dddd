// The caption bar of full-screen mode: signal format, power source with the
// battery level, HDCP mark, application name and close button.
#pragma once

#include <windows.h>

#include <array>

#include "Capwell.h"
#include "viewer/app/Notificators.h"
#include "viewer/views/BaseView.h"
#include "viewer/views/ViewButtons.h"

namespace vistrel {

class CVideoCaptionView final : public CBaseCaptionView {
public:
    static constexpr int kPowerTimerMs = 30000;

    CVideoCaptionView();
    ~CVideoCaptionView() override;

    void SetCaptionVisible(bool show_close, bool show_texts) override;
    void OnHdmiInfoChanged(const CpwHdmiInfo& info);
    void UpdatePowerText();
    const CpwHdmiInfo& HdmiInfo() const noexcept { return hdmi_; }

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    std::optional<LRESULT> OnCtlColor(HDC dc, HWND child) override;

private:
    void ComposeSignalText();

    std::array<fw::Font, 4> fonts_;
    CDarkButton close_{CDarkButton::Look::Close};
    HdmiInfoChangedNotificator hdmi_notificator_;
    UIThreadTimer power_timer_{kPowerTimerMs};
    winkit::UniquePowerNotify power_notify_;
    CpwHdmiInfo hdmi_{};
};

}  // namespace vistrel
