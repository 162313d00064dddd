// What the layout shows for each target key the state machine sends: the
// caption and controller views of the top splitter and the display view of
// the display splitter. Free of platform headers.
#pragma once

#include <array>
#include <optional>

namespace vistrel {

struct ViewTarget {
    int key = 0;             // the display kind
    int caption_key = 0;     // key in the caption map
    int controller_key = 0;  // key in the controller map
};

// Controller map keys.
enum ControllerKey : int {
    kControllerBlank = 0,
    kControllerPlay = 8,
};

// Display map keys: 1 blank, 2 play, 3..11 the message view of that kind.
inline constexpr int kDisplayBlank = 1;
inline constexpr int kDisplayPlay = 2;
inline constexpr int kFirstMessageKind = 3;
inline constexpr int kLastMessageKind = 11;
// The display view shown for a key without an entry (the fatal-error message).
inline constexpr int kDefaultDisplayKey = 7;
// The target key of the blank screen (display changed).
inline constexpr int kBlankTarget = 1;

inline constexpr std::array<ViewTarget, 12> kViewTargets{{
    {0, 0, 3},
    {1, 0, kControllerBlank},
    {2, 0, kControllerPlay},
    {3, 0, 9},
    {4, 0, 10},
    {5, 0, 1},
    {6, 0, 2},
    {7, 0, 3},
    {8, 0, 4},
    {9, 0, 5},
    {10, 0, 6},
    {11, 0, 7},
}};

constexpr std::optional<ViewTarget> FindViewTarget(int key) noexcept {
    for (const ViewTarget& t : kViewTargets) {
        if (t.key == key) return t;
    }
    return std::nullopt;
}

// The controller key of the message bar of `kind` (3..11); -1 for other kinds.
constexpr int ControllerKeyOfMessageKind(int kind) noexcept {
    if (kind < kFirstMessageKind || kind > kLastMessageKind) return -1;
    return FindViewTarget(kind)->controller_key;
}

// What a switch from `current` to `target` shows, before the windows are
// looked at. Nothing when either key has no entry.
struct SwitchPlan {
    ViewTarget old_target;
    ViewTarget new_target;
    int controller_key = 0;   // the bar shown: the blank bar when the controls are hidden
    bool show_close = false;  // caption: close button
    bool show_texts = false;  // caption: the texts
};

constexpr std::optional<SwitchPlan> PlanSwitch(int current, int target, bool controls_visible) noexcept {
    const auto old_target = FindViewTarget(current);
    const auto new_target = FindViewTarget(target);
    if (!old_target || !new_target) return std::nullopt;
    SwitchPlan plan{*old_target, *new_target, new_target->controller_key, target != kBlankTarget,
                    target != kBlankTarget && controls_visible};
    if (!controls_visible) plan.controller_key = kControllerBlank;
    return plan;
}

}  // namespace vistrel
