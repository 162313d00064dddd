// The layout's static splitters. The top splitter (CVideoSplitterWnd) is the
// main frame's client: caption row, display row, controller row. The display
// row holds a DisplaySplitterWnd (display views | setting panel), whose right
// column holds a SettingSplitterWnd (tab bar over the setting views). Every
// pane is a frame holding several pre-made views, one of them shown.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "viewer/core/DisplayInfo.h"
#include "viewer/core/ViewInitArgs.h"
#include "viewer/framework/Frame.h"
#include "viewer/views/BaseView.h"

namespace vistrel {

class CVideoCaptionView;

class ISettingViewChangedListener {
public:
    // The tab bar selected the setting view `key`.
    virtual void OnSettingViewChanged(int key) = 0;

protected:
    ~ISettingViewChangedListener() = default;
};

class BaseSplitterWnd : public fw::StaticSplitter {
public:
    virtual void UpdateRowSizes() {}
    virtual void UpdateColumnSizes() {}
    // Destroys every pane window; the derived splitters first destroy their
    // nested splitter and views and empty their maps.
    virtual void DestroyPanes();
    // Stores the record; on a screen change the sizes are updated and the
    // layout recalculated. The derived splitters then forward it.
    virtual void OnDisplayInfoChanged(const DisplayInfo& info);
    const DisplayInfo& GetDisplayInfo() const noexcept { return display_info_; }

protected:
    // Stores the record with the base reaction; answers whether the screen changed.
    bool StoreDisplayInfo(const DisplayInfo& info);
    // Shows `shown` in its pane frame as the active view and hides `hidden`
    // (which gets kHiddenIdBase + hidden_key).
    void Swap(CBaseView* shown, CBaseView* hidden, int hidden_key);
    // Creates a pane frame without a client edge.
    fw::PaneFrame* MakePane(int row, int column, int width, int height);
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

    // Writes a row or column size only when it differs; answers whether it did.
    bool WriteRow(int row, int size);
    bool WriteColumn(int column, int size);

    // The screen the panes were first sized for (before any DisplayInfo arrived).
    ScreenInfo pane_screen_;

private:
    DisplayInfo display_info_;
};

class TargetViewSplitterWnd : public BaseSplitterWnd {
public:
    virtual void SetTarget(int key) { target_key_ = key; }
    int TargetKey() const noexcept { return target_key_; }

protected:
    int target_key_ = 0;
};

class SettingSplitterWnd final : public BaseSplitterWnd, public ISettingViewChangedListener {
public:
    // Builds the setting panel's views: the tab bar and the views by key.
    using Factory = std::function<void(SettingSplitterWnd& splitter, fw::PaneFrame& tabs, fw::PaneFrame& views,
                                       const ViewInitArgs& args)>;

    bool CreatePanes(HWND parent, int width, int height, const ScreenInfo& screen);
    void CreateViews(const ViewInitArgs& args, const Factory& factory);
    void UpdateRowSizes() override;
    void DestroyPanes() override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;
    void OnSettingViewChanged(int key) override;

    // Used by the factory: the tab bar and the views (0 and 1 may be the same view).
    void SetTabBar(std::unique_ptr<CBaseView> view);
    void AddSettingView(std::vector<int> keys, std::unique_ptr<CBaseView> view);
    CBaseView* SettingView(int key) const;
    int SettingKey() const noexcept { return setting_key_; }

private:
    std::unique_ptr<CBaseView> tab_bar_;
    std::vector<std::unique_ptr<CBaseView>> owned_;
    std::map<int, CBaseView*> setting_map_;
    int setting_key_ = 0;
};

class DisplaySplitterWnd final : public TargetViewSplitterWnd {
public:
    DisplaySplitterWnd();
    ~DisplaySplitterWnd() override;

    bool CreatePanes(HWND parent, const ScreenInfo& screen);
    bool CreateViews(const ViewInitArgs& args, const SettingSplitterWnd::Factory& settings);
    void UpdateColumnSizes() override;
    void UpdateRowSizes() override;
    void DestroyPanes() override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;
    // Switches the display view to `key` (the default view when it has none).
    void SetTarget(int key) override;
    void BroadcastPlayCode(int code);
    void SetSettingPanelVisible(int visible);
    int SettingPanelVisible() const noexcept { return setting_panel_visible_; }

    CBaseDisplayView* DisplayView(int key) const;  // null when the key has no entry
    CBaseDisplayView* CurrentView() const;         // the default view when the key has none
    CBaseDisplayView* DefaultView() const noexcept { return default_view_; }
    SettingSplitterWnd* Settings() const noexcept { return settings_.get(); }

private:
    std::map<int, std::unique_ptr<CBaseDisplayView>> display_map_;
    CBaseDisplayView* default_view_ = nullptr;
    std::unique_ptr<SettingSplitterWnd> settings_;
    int setting_panel_visible_ = 0;
};

class CVideoSplitterWnd final : public TargetViewSplitterWnd {
public:
    // Makes the controller view of a controller key (the controller bar's
    // views are their own area's); the default makes the bars of ControllerViews.h.
    using ControllerFactory = std::function<std::unique_ptr<CBaseControllerView>(int controller_key)>;

    CVideoSplitterWnd();
    ~CVideoSplitterWnd() override;

    void SetControllerFactory(ControllerFactory factory) { controller_factory_ = std::move(factory); }
    // The default setting factory makes the panel of SettingViews.h.
    void SetSettingFactory(SettingSplitterWnd::Factory factory) { setting_factory_ = std::move(factory); }

    // The grid inside the main frame (its client), sized from the screen.
    bool CreatePanes(fw::FrameWindow& parent, const ScreenInfo& screen);
    bool CreateViews(const ViewInitArgs& args);
    void UpdateRowSizes() override;
    void UpdateColumnSizes() override;
    void DestroyPanes() override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;

    // The state machine's requests (also reached by their window messages).
    void SwitchTarget(int key, int controls_visible);
    void ShowSettingPanel(int visible);
    void BroadcastPlayCode(int code);

    // The current display view's client rectangle in screen coordinates; all
    // 0 when there is none.
    Rect GetDisplayRect() const;

    CVideoCaptionView* CaptionView() const noexcept { return caption_view_.get(); }
    CBaseControllerView* ControllerView(int key) const;
    DisplaySplitterWnd* Display() const noexcept { return display_.get(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    CBaseView* CaptionOf(int caption_key) const;

    // The target whose views are shown: the last switch carried out. An
    // unknown key changes the target key but not this, so the next switch
    // still hides what is on screen.
    int shown_key_ = 0;
    std::unique_ptr<CVideoCaptionView> caption_view_;  // caption map key 0
    std::map<int, std::unique_ptr<CBaseControllerView>> controller_map_;
    std::unique_ptr<DisplaySplitterWnd> display_;
    ControllerFactory controller_factory_;
    SettingSplitterWnd::Factory setting_factory_;
};

}  // namespace vistrel
