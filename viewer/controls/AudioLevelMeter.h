// The audio level meter: a bar showing the current peak of one channel of the
// capture device's HDMI audio, refreshed every 50 ms. All meters of the
// process read one shared level source over Core Audio: the line-level
// capture endpoint's peak meter.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>
#include "viewer/controls/CoreAudioMeter.h"

#include "viewer/framework/Controls.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

// The shared source. The first user creates it, the last one tears it down;
// all users live on the UI thread.
class AudioLevelSource {
public:
    // Makes the endpoint enumerator; replaceable so tests can hand in fake
    // endpoints. Null restores the system's.
    using EnumeratorFactory = HRESULT (*)(IMMDeviceEnumerator** out);
    static void SetEnumeratorFactory(EnumeratorFactory factory) noexcept;

    // Adds a user and answers the source, null when it could not be made
    // (no line-level capture endpoint, no Core Audio). Every Acquire is
    // matched by one Release, whatever it answered.
    static AudioLevelSource* Acquire() noexcept;
    static void Release() noexcept;
    static int Users() noexcept;

    // The peak (0 to 1) of `channel`, clamped to the device's channels (at
    // most the first 16); 0 when any call fails.
    float ReadLevel(int channel) const noexcept;

    ~AudioLevelSource();
    AudioLevelSource(const AudioLevelSource&) = delete;
    AudioLevelSource& operator=(const AudioLevelSource&) = delete;

private:
    AudioLevelSource() noexcept = default;
    [[nodiscard]] bool Open() noexcept;

    bool com_initialised_ = false;
    winkit::ComPtr<IMMDeviceEnumerator> enumerator_;
    winkit::ComPtr<IMMDevice> device_;
    winkit::ComPtr<IAudioMeterInformation> meter_;
};

class AudioLevelMeterControl : public fw::StaticControl {
public:
    static constexpr UINT_PTR kLevelTimer = 1;
    static constexpr UINT kLevelPeriodMs = 50;

    AudioLevelMeterControl() noexcept;
    ~AudioLevelMeterControl() override;
    bool Create(HWND parent, UINT id, const RECT& rect, DWORD style = WS_CHILD | WS_VISIBLE) noexcept;
    // Takes over a template's "AudioLevelMeterControl" window.
    bool Attach(HWND control) noexcept;

    void SetChannel(int channel) noexcept { channel_ = channel; }
    // Reads the level and starts the refresh timer, unless it runs or there is no source.
    void Start() noexcept;
    // Ends the refresh timer and empties the bar (the audio went off).
    void Stop() noexcept;
    float Level() const noexcept { return level_; }
    bool Running() const noexcept { return timer_.Running(); }
    void PaintTo(HDC dc) noexcept;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    void ReadLevel() noexcept;
    void OnLevelTimer() noexcept;
    void OnPaint() noexcept;

    AudioLevelSource* source_ = nullptr;
    float level_ = 0.0f;
    int channel_ = 0;
    fw::WindowTimer timer_;
    fw::Brush back_;
    fw::Brush bar_;
};

}  // namespace vistrel
