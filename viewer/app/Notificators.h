// Broadcast events inside the viewer. Every interested object owns a
// message-only notificator window of a well-known class with a listener bound
// to one of its member functions; the sender enumerates the windows of that
// class and sends each the event's message synchronously.
#pragma once

#include <windows.h>

#include <functional>

#include "viewer/framework/Window.h"
#include "viewer/core/StateResolver.h"

namespace vistrel {

struct ColorSettingChangedEventArgs {
    const void* color = nullptr;      // the colour record
    const void* selection = nullptr;  // the preset selection
};

struct HdmiInfoChangedEventArgs {
    const void* info = nullptr;  // the HDMI information record (CpwHdmiInfo)
};

struct PowerChangedEventArgs {
    int value = 0;  // 1 the system resumed, 2 the system is suspending
};

class Notificator : public fw::Window {
public:
    // Registers the class once per process and creates the message-only
    // window, which answers `message`.
    Notificator(const wchar_t* className, UINT message);
    const wchar_t* ClassName() const noexcept { return className_; }

    // Sends `message` to every notificator window of `className`, in
    // enumeration order; returns how many received it.
    static int Broadcast(const wchar_t* className, UINT message, WPARAM w, LPARAM l);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    // The broadcast message arrived; answer 0.
    virtual void OnNotify(WPARAM w, LPARAM l) = 0;

private:
    const wchar_t* className_;
    UINT message_;
};

template <class Args>
class TypedNotificator : public Notificator {
public:
    using Listener = std::function<void(Args)>;
    using Notificator::Notificator;
    // Replaces any previous listener; an empty one silences the notificator.
    void SetListener(Listener listener) { listener_ = std::move(listener); }
    ~TypedNotificator() override { listener_ = nullptr; }

protected:
    void Raise(const Args& args) const {
        if (listener_) listener_(args);
    }

private:
    Listener listener_;
};

class ColorSettingChangedNotificator final : public TypedNotificator<ColorSettingChangedEventArgs> {
public:
    static constexpr const wchar_t* kClassName = L"ColorSettingChangedNotificator";
    ColorSettingChangedNotificator() : TypedNotificator(kClassName, msg::kColorChanged) {}
    static int Broadcast(const void* color, const void* selection) {
        return Notificator::Broadcast(kClassName, msg::kColorChanged, reinterpret_cast<WPARAM>(color),
                                      reinterpret_cast<LPARAM>(selection));
    }

protected:
    void OnNotify(WPARAM w, LPARAM l) override {
        Raise(ColorSettingChangedEventArgs{reinterpret_cast<const void*>(w), reinterpret_cast<const void*>(l)});
    }
};

class HdmiInfoChangedNotificator final : public TypedNotificator<HdmiInfoChangedEventArgs> {
public:
    static constexpr const wchar_t* kClassName = L"HdmiInfoChangedNotificator";
    HdmiInfoChangedNotificator() : TypedNotificator(kClassName, msg::kHdmiInfoChanged) {}
    static int Broadcast(const void* info) {
        return Notificator::Broadcast(kClassName, msg::kHdmiInfoChanged, reinterpret_cast<WPARAM>(info), 0);
    }

protected:
    void OnNotify(WPARAM w, LPARAM) override { Raise(HdmiInfoChangedEventArgs{reinterpret_cast<const void*>(w)}); }
};

class PowerChangedNotificator final : public TypedNotificator<PowerChangedEventArgs> {
public:
    static constexpr const wchar_t* kClassName = L"PowerChangedNotificator";
    PowerChangedNotificator() : TypedNotificator(kClassName, msg::kPowerChanged) {}
    static int Broadcast(int value) {
        return Notificator::Broadcast(kClassName, msg::kPowerChanged, static_cast<WPARAM>(value), 0);
    }

protected:
    void OnNotify(WPARAM w, LPARAM) override { Raise(PowerChangedEventArgs{static_cast<int>(w)}); }
};

// A periodic tick on the user-interface thread, from a timer on a
// message-only window.
class UIThreadTimer final : public fw::Window {
public:
    struct TickEventArgs {};
    using Listener = std::function<void(TickEventArgs)>;

    explicit UIThreadTimer(int intervalMs);
    ~UIThreadTimer() override;

    void SetListener(Listener listener) { listener_ = std::move(listener); }
    // Starts the timer unless it runs; answers whether it runs.
    bool Start();
    void Stop();
    bool Running() const noexcept { return timerId_ != 0; }
    int Interval() const noexcept { return interval_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    Listener listener_;
    int interval_;
    UINT_PTR timerId_ = 0;
};

}  // namespace vistrel
