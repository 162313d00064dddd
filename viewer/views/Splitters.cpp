#include "viewer/views/Splitters.h"

#include <algorithm>

#include "viewer/core/Messages.h"
#include "viewer/core/ViewGeometry.h"
#include "viewer/core/ViewTargets.h"
#include "viewer/views/CaptionView.h"
#include "viewer/views/ControllerViews.h"
#include "viewer/views/DisplayViews.h"
#include "viewer/views/PlayView.h"
#include "viewer/views/SettingViews.h"

namespace vistrel {
namespace {

// Hidden caption and controller views are numbered from here at creation.
constexpr int kFirstBarViewId = 0xE902;

// The panes of each splitter, by what they hold.
constexpr int kTabRow = 0;          // setting splitter: the tab bar over
constexpr int kSettingViewRow = 1;  // the setting views
constexpr int kDisplayColumn = 0;   // display splitter: the display views beside
constexpr int kSettingColumn = 1;   // the setting panel
constexpr int kCaptionRow = 0;      // video splitter: the caption over
constexpr int kDisplayRow = 1;      // the display splitter over
constexpr int kBarRow = 2;          // the controller bar
constexpr int kOnly = 0;            // the one row or column of a splitter with a single one

bool IsWindowView(const CBaseView* view) noexcept { return view != nullptr && view->IsWindow(); }

}  // namespace

// ---- BaseSplitterWnd -------------------------------------------------------

void BaseSplitterWnd::DestroyPanes() { fw::StaticSplitter::DestroyPanes(); }

bool BaseSplitterWnd::StoreDisplayInfo(const DisplayInfo& info) {
    const bool changed = ScreenChanged(display_info_, info);
    // The caption row follows the full-screen flag even when the screen stays.
    const bool mode_changed = display_info_.full_screen != info.full_screen;
    display_info_ = info;
    if (changed || mode_changed) {
        UpdateRowSizes();
        UpdateColumnSizes();
        RecalcLayout();
    }
    return changed;
}

void BaseSplitterWnd::OnDisplayInfoChanged(const DisplayInfo& info) { (void)StoreDisplayInfo(info); }

void BaseSplitterWnd::Swap(CBaseView* shown, CBaseView* hidden, int hidden_key) {
    if (IsWindowView(shown)) {
        if (fw::FrameWindow* frame = shown->ParentFrame(); frame != nullptr) frame->SetActiveView(shown, true);
        shown->Activate();
        shown->OnDisplayInfoChanged(display_info_);
    }
    if (IsWindowView(hidden) && hidden != shown) {
        ShowWindow(hidden->Handle(), SW_HIDE);
        hidden->SetId(kHiddenIdBase + hidden_key);
    }
}

fw::PaneFrame* BaseSplitterWnd::MakePane(int row, int column, int width, int height) {
    return CreatePane(row, column, SIZE{std::max(0, width), std::max(0, height)}, 0);
}

bool BaseSplitterWnd::WriteRow(int row, int size) {
    if (RowIdeal(row) == size && RowSize(row) == size) return false;
    SetRowInfo(row, size);
    return true;
}

bool BaseSplitterWnd::WriteColumn(int column, int size) {
    if (ColumnIdeal(column) == size && ColumnSize(column) == size) return false;
    SetColumnInfo(column, size);
    return true;
}

LRESULT BaseSplitterWnd::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_SIZE) {
        const LRESULT r = fw::StaticSplitter::HandleMessage(msg, w, l);
        if (LOWORD(l) != 0 && HIWORD(l) != 0) {
            UpdateRowSizes();
            UpdateColumnSizes();
            RecalcLayout();
        }
        return r;
    }
    return fw::StaticSplitter::HandleMessage(msg, w, l);
}

// ---- SettingSplitterWnd ----------------------------------------------------

bool SettingSplitterWnd::CreatePanes(HWND parent, int width, int height, const ScreenInfo& screen) {
    if (!CreateStatic(parent, 2, 1)) return false;
    pane_screen_ = screen;
    const int tabs = ScaleToScreen(150, screen);
    return MakePane(kTabRow, kOnly, width, tabs) != nullptr &&
           MakePane(kSettingViewRow, kOnly, width, height - tabs) != nullptr;
}

void SettingSplitterWnd::CreateViews(const ViewInitArgs& args, const Factory& factory) {
    fw::PaneFrame* tabs = Pane(kTabRow, kOnly);
    fw::PaneFrame* views = Pane(kSettingViewRow, kOnly);
    if (factory && tabs != nullptr && views != nullptr) factory(*this, *tabs, *views, args);
}

void SettingSplitterWnd::SetTabBar(std::unique_ptr<CBaseView> view) {
    tab_bar_ = std::move(view);
    if (IsWindowView(tab_bar_.get())) {
        ShowWindow(tab_bar_->Handle(), SW_HIDE);
        tab_bar_->SetId(kFirstBarViewId);
    }
}

void SettingSplitterWnd::AddSettingView(std::vector<int> keys, std::unique_ptr<CBaseView> view) {
    if (!view) return;
    for (int key : keys) {
        setting_map_[key] = view.get();
        if (view->IsWindow()) {
            ShowWindow(view->Handle(), SW_HIDE);
            view->SetId(kHiddenIdBase + key);
        }
    }
    owned_.push_back(std::move(view));
}

CBaseView* SettingSplitterWnd::SettingView(int key) const {
    auto it = setting_map_.find(key);
    if (it == setting_map_.end()) it = setting_map_.find(0);
    return it != setting_map_.end() ? it->second : nullptr;
}

void SettingSplitterWnd::UpdateRowSizes() {
    const RECT r = ClientRect();
    const auto row0 = SettingSplitterRow0(r.bottom - r.top, GetDisplayInfo().screen);
    if (row0 && WriteRow(kTabRow, *row0)) RecalcLayout();
}

void SettingSplitterWnd::DestroyPanes() {
    tab_bar_.reset();
    setting_map_.clear();
    owned_.clear();
    BaseSplitterWnd::DestroyPanes();
}

void SettingSplitterWnd::OnDisplayInfoChanged(const DisplayInfo& info) {
    const bool changed = StoreDisplayInfo(info);
    if (changed) {
        for (auto& view : owned_) {
            if (view->IsWindow()) view->OnDisplayInfoChanged(info);
        }
    } else if (CBaseView* current = SettingView(setting_key_); IsWindowView(current)) {
        current->OnDisplayInfoChanged(info);
    }
    if (IsWindowView(tab_bar_.get())) tab_bar_->OnDisplayInfoChanged(info);
}

void SettingSplitterWnd::OnSettingViewChanged(int key) {
    if (IsWindowView(tab_bar_.get())) {
        if (fw::FrameWindow* frame = tab_bar_->ParentFrame(); frame != nullptr) {
            frame->SetActiveView(tab_bar_.get(), true);
        }
        tab_bar_->Activate();
        tab_bar_->OnDisplayInfoChanged(GetDisplayInfo());
    }
    const int old_key = setting_map_.count(setting_key_) != 0 ? setting_key_ : 0;
    Swap(SettingView(key), SettingView(setting_key_), old_key);
    setting_key_ = key;
}

// ---- DisplaySplitterWnd ----------------------------------------------------

DisplaySplitterWnd::DisplaySplitterWnd() = default;
DisplaySplitterWnd::~DisplaySplitterWnd() = default;

bool DisplaySplitterWnd::CreatePanes(HWND parent, const ScreenInfo& screen) {
    if (!CreateStatic(parent, 1, 2)) return false;
    pane_screen_ = screen;
    RECT r{};
    GetClientRect(parent, &r);
    const int panel = ScaleToScreen(1100, screen);
    return MakePane(kOnly, kDisplayColumn, r.right - panel, r.bottom) != nullptr &&
           MakePane(kOnly, kSettingColumn, panel, r.bottom) != nullptr;
}

bool DisplaySplitterWnd::CreateViews(const ViewInitArgs& args, const SettingSplitterWnd::Factory& settings) {
    fw::PaneFrame* column0 = Pane(kOnly, kDisplayColumn);
    fw::PaneFrame* column1 = Pane(kOnly, kSettingColumn);
    if (column0 == nullptr || column1 == nullptr) return false;

    std::vector<std::pair<int, std::unique_ptr<CBaseDisplayView>>> made;
    made.emplace_back(kDisplayBlank, std::make_unique<CVideoBlankView>());
    made.emplace_back(kDisplayPlay, std::make_unique<CVideoPlayView>());
    for (int kind = kFirstMessageKind; kind <= kLastMessageKind; ++kind) {
        made.emplace_back(kind, std::make_unique<CVideoErrorView>(kind));
    }
    for (auto& [key, view] : made) {
        if (!view->Create(column0->Handle(), kPaneId)) return false;
        view->Initialize(args);
        ShowWindow(view->Handle(), SW_HIDE);
        view->SetId(kHiddenIdBase + key);
        display_map_[key] = std::move(view);
    }
    default_view_ = display_map_[kDefaultDisplayKey].get();

    settings_ = std::make_unique<SettingSplitterWnd>();
    const RECT r = column1->ClientRect();
    if (!settings_->CreatePanes(column1->Handle(), r.right, r.bottom, pane_screen_)) return false;
    settings_->CreateViews(args, settings);
    settings_->UpdateRowSizes();
    settings_->RecalcLayout();
    return true;
}

void DisplaySplitterWnd::UpdateColumnSizes() {
    const RECT r = ClientRect();
    const auto column0 = DisplaySplitterColumn0(r.right - r.left, r.bottom - r.top, setting_panel_visible_ != 0,
                                                GetDisplayInfo().screen);
    if (column0 && WriteColumn(kDisplayColumn, *column0)) RecalcLayout();
}

void DisplaySplitterWnd::UpdateRowSizes() {
    if (settings_ && settings_->IsWindow()) settings_->UpdateRowSizes();
}

void DisplaySplitterWnd::DestroyPanes() {
    if (settings_) {
        settings_->DestroyPanes();
        settings_->Destroy();
        settings_.reset();
    }
    default_view_ = nullptr;
    display_map_.clear();
    BaseSplitterWnd::DestroyPanes();
}

CBaseDisplayView* DisplaySplitterWnd::DisplayView(int key) const {
    auto it = display_map_.find(key);
    return it != display_map_.end() ? it->second.get() : nullptr;
}

CBaseDisplayView* DisplaySplitterWnd::CurrentView() const {
    CBaseDisplayView* view = DisplayView(TargetKey());
    return view != nullptr ? view : default_view_;
}

void DisplaySplitterWnd::OnDisplayInfoChanged(const DisplayInfo& info) {
    const bool changed = StoreDisplayInfo(info);
    if (changed) {
        for (auto& [key, view] : display_map_) {
            if (view->IsWindow()) view->OnDisplayInfoChanged(info);
        }
    } else if (CBaseDisplayView* current = CurrentView(); IsWindowView(current)) {
        current->OnDisplayInfoChanged(info);
    }
    if (settings_ && settings_->IsWindow()) settings_->OnDisplayInfoChanged(info);
}

void DisplaySplitterWnd::SetTarget(int key) {
    CBaseDisplayView* old_view = CurrentView();
    const int old_key = DisplayView(TargetKey()) != nullptr ? TargetKey() : kDefaultDisplayKey;
    CBaseDisplayView* new_view = DisplayView(key) != nullptr ? DisplayView(key) : default_view_;
    if (IsWindowView(old_view) && IsWindowView(new_view)) Swap(new_view, old_view, old_key);
    TargetViewSplitterWnd::SetTarget(key);
}

void DisplaySplitterWnd::BroadcastPlayCode(int code) {
    for (auto& [key, view] : display_map_) view->SetPlayCode(code);
}

void DisplaySplitterWnd::SetSettingPanelVisible(int visible) {
    if (visible == setting_panel_visible_) return;
    setting_panel_visible_ = visible;
    UpdateRowSizes();
    UpdateColumnSizes();
    RecalcLayout();
}

// ---- CVideoSplitterWnd -----------------------------------------------------

CVideoSplitterWnd::CVideoSplitterWnd() : controller_factory_(MakeControllerView), setting_factory_(MakeSettingViews) {}

CVideoSplitterWnd::~CVideoSplitterWnd() = default;

bool CVideoSplitterWnd::CreatePanes(fw::FrameWindow& parent, const ScreenInfo& screen) {
    if (!CreateStatic(parent.Handle(), 3, 1)) return false;
    pane_screen_ = screen;
    const RECT r = parent.ClientRect();
    const int width = r.right - r.left;
    const int caption = ScaleToScreen(70, screen);
    const int bar = ScaleToScreen(200, screen);
    const bool made = MakePane(kCaptionRow, kOnly, width, caption) != nullptr &&
                      MakePane(kDisplayRow, kOnly, width, (r.bottom - r.top) - bar - caption) != nullptr &&
                      MakePane(kBarRow, kOnly, width, bar) != nullptr;
    RecalcLayout();
    return made;
}

bool CVideoSplitterWnd::CreateViews(const ViewInitArgs& args) {
    fw::PaneFrame* caption_pane = Pane(kCaptionRow, kOnly);
    fw::PaneFrame* display_pane = Pane(kDisplayRow, kOnly);
    fw::PaneFrame* bar_pane = Pane(kBarRow, kOnly);
    if (caption_pane == nullptr || display_pane == nullptr || bar_pane == nullptr) return false;

    display_ = std::make_unique<DisplaySplitterWnd>();
    if (!display_->CreatePanes(display_pane->Handle(), pane_screen_)) return false;
    if (!display_->CreateViews(args, setting_factory_)) return false;
    display_->UpdateRowSizes();
    display_->UpdateColumnSizes();
    display_->RecalcLayout();
    display_->RecalcLayout();

    caption_view_ = std::make_unique<CVideoCaptionView>();
    if (!caption_view_->Create(caption_pane->Handle(), kPaneId)) return false;
    caption_view_->Initialize(args);

    // The play bar, the message bars of kinds 3 to 11, then the blank bar.
    std::vector<int> keys{kControllerPlay};
    for (int kind = kFirstMessageKind; kind <= kLastMessageKind; ++kind)
        keys.push_back(ControllerKeyOfMessageKind(kind));
    keys.push_back(kControllerBlank);
    for (int key : keys) {
        std::unique_ptr<CBaseControllerView> view = controller_factory_(key);
        if (!view || !view->Create(bar_pane->Handle(), kPaneId)) return false;
        view->Initialize(args);
        controller_map_[key] = std::move(view);
    }

    int id = kFirstBarViewId;
    ShowWindow(caption_view_->Handle(), SW_HIDE);
    caption_view_->SetId(id++);
    for (int key : keys) {
        CBaseControllerView* view = controller_map_[key].get();
        ShowWindow(view->Handle(), SW_HIDE);
        view->SetId(id++);
    }
    return true;
}

CBaseView* CVideoSplitterWnd::CaptionOf(int caption_key) const {
    return caption_key == 0 ? caption_view_.get() : nullptr;
}

CBaseControllerView* CVideoSplitterWnd::ControllerView(int key) const {
    auto it = controller_map_.find(key);
    return it != controller_map_.end() ? it->second.get() : nullptr;
}

void CVideoSplitterWnd::UpdateRowSizes() {
    const RECT r = ClientRect();
    const auto rows = VideoSplitterRows(r.bottom - r.top, GetDisplayInfo());
    if (!rows) return;
    const bool caption = WriteRow(kCaptionRow, rows->caption);
    const bool display = WriteRow(kDisplayRow, rows->display);
    if (caption || display) RecalcLayout();
}

void CVideoSplitterWnd::UpdateColumnSizes() {
    if (display_ && display_->IsWindow()) display_->UpdateColumnSizes();
}

void CVideoSplitterWnd::DestroyPanes() {
    if (display_) {
        display_->DestroyPanes();
        display_->Destroy();
        display_.reset();
    }
    caption_view_.reset();
    controller_map_.clear();
    BaseSplitterWnd::DestroyPanes();
}

void CVideoSplitterWnd::OnDisplayInfoChanged(const DisplayInfo& info) {
    const bool changed = StoreDisplayInfo(info);
    if (changed) {
        if (IsWindowView(caption_view_.get())) caption_view_->OnDisplayInfoChanged(info);
        for (auto& [key, view] : controller_map_) {
            if (view->IsWindow()) view->OnDisplayInfoChanged(info);
        }
    } else if (const auto target = FindViewTarget(shown_key_)) {
        if (CBaseView* caption = CaptionOf(target->caption_key); IsWindowView(caption)) {
            caption->OnDisplayInfoChanged(info);
        }
        for (auto& [key, view] : controller_map_) {
            // The bar the table names, and the blank bar when it stands in for it.
            if (view->IsWindow() && (key == target->controller_key || view->Visible())) {
                view->OnDisplayInfoChanged(info);
            }
        }
    }
    if (display_ && display_->IsWindow()) display_->OnDisplayInfoChanged(info);
}

void CVideoSplitterWnd::SwitchTarget(int key, int controls_visible) {
    const auto plan = PlanSwitch(shown_key_, key, controls_visible != 0);
    if (plan && display_ && display_->IsWindow()) {
        CBaseView* old_caption = CaptionOf(plan->old_target.caption_key);
        CBaseView* old_bar = ControllerView(plan->old_target.controller_key);
        auto* new_caption = static_cast<CBaseCaptionView*>(CaptionOf(plan->new_target.caption_key));
        CBaseView* table_bar = ControllerView(plan->new_target.controller_key);
        if (IsWindowView(old_caption) && IsWindowView(old_bar) && IsWindowView(new_caption) &&
            IsWindowView(table_bar)) {
            CBaseView* new_bar = ControllerView(plan->controller_key);
            new_caption->SetCaptionVisible(plan->show_close, plan->show_texts);
            Swap(new_caption, old_caption, plan->old_target.caption_key);
            Swap(new_bar, old_bar, plan->old_target.controller_key);
            // A blank bar that stood in for hidden controls goes with the next switch.
            if (CBaseView* blank = ControllerView(kControllerBlank);
                blank != new_bar && IsWindowView(blank) && blank->Visible()) {
                ShowWindow(blank->Handle(), SW_HIDE);
                blank->SetId(kHiddenIdBase + kControllerBlank);
            }
            display_->SetTarget(key);
            shown_key_ = key;
        }
    }
    TargetViewSplitterWnd::SetTarget(key);
}

void CVideoSplitterWnd::ShowSettingPanel(int visible) {
    if (display_ && visible != display_->SettingPanelVisible()) display_->SetSettingPanelVisible(visible);
    for (auto& [key, view] : controller_map_) view->SetSettingViewVisible(visible);
}

void CVideoSplitterWnd::BroadcastPlayCode(int code) {
    if (caption_view_) caption_view_->SetPlayCode(code);
    for (auto& [key, view] : controller_map_) view->SetPlayCode(code);
    if (display_) display_->BroadcastPlayCode(code);
}

Rect CVideoSplitterWnd::GetDisplayRect() const {
    if (!display_) return {};
    CBaseDisplayView* view = display_->CurrentView();
    if (!IsWindowView(view)) return {};
    RECT r = view->ClientRect();
    MapWindowPoints(view->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return DisplayRectForFrame(Rect{r.left, r.top, r.right, r.bottom}, GetDisplayInfo());
}

LRESULT CVideoSplitterWnd::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case msg::kDisplayKind: SwitchTarget(static_cast<int>(w), static_cast<int>(l)); return 0;
        case msg::kSettingViewVisible: ShowSettingPanel(static_cast<int>(w)); return 0;
        case msg::kPlayCode: BroadcastPlayCode(static_cast<int>(w)); return 0;
        default: break;
    }
    return TargetViewSplitterWnd::HandleMessage(msg, w, l);
}

}  // namespace vistrel
