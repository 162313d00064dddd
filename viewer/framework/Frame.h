// Frames, views and static splitters: a frame's client area is filled by its
// pane child (identifier kPaneFirst), which is a view or a splitter; a
// splitter lays out rows and columns of pane frames; each pane frame holds
// several views, exactly one of them visible, and knows its active view.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "viewer/framework/Window.h"

namespace fw {

class View;

class FrameWindow : public Window {
public:
    // The window class of plain frames (pane frames and the like).
    static LPCWSTR DefaultClass() noexcept;

    bool Create(LPCWSTR className, LPCWSTR title, DWORD style, DWORD exStyle, const RECT& rect, HWND parent,
                UINT_PTR idOrMenu) noexcept;

    // Makes `view` the active view; with `notify` the old and new views hear
    // about it through View::OnActivateView.
    void SetActiveView(View* view, bool notify = true);
    View* GetActiveView() const noexcept { return activeView_; }

    // Sizes the pane child (identifier kPaneFirst) to the client area.
    virtual void RecalcLayout();

protected:
    // Runs inside WM_CREATE; answering false fails the creation.
    virtual bool OnCreateClient(const CREATESTRUCTW& cs);
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    View* activeView_ = nullptr;
};

// A view: a child window shown in a pane frame.
class View : public Window {
public:
    // The frame window that holds this view (its parent), when it is one.
    FrameWindow* ParentFrame() const noexcept;
    // Called by the frame when the view becomes or stops being its active view.
    virtual void OnActivateView(bool active) { (void)active; }
    // Commands (menus, accelerators) are offered to the active view first.
    virtual bool OnCommand(WORD id, WORD code) {
        (void)id;
        (void)code;
        return false;
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
};

// The frame of one splitter pane.
class PaneFrame : public FrameWindow {
public:
    // Shows `view` as the pane (identifier kPaneFirst), makes it the active
    // view and hides the previously shown view, which gets `hiddenId`.
    void ShowView(View& view, int hiddenId);
    View* ShownView() const noexcept { return shown_; }

private:
    View* shown_ = nullptr;
};

class StaticSplitter : public Window {
public:
    static LPCWSTR DefaultClass() noexcept;

    // A grid of rows x columns inside `parent`.
    bool CreateStatic(HWND parent, int rows, int columns, DWORD style = WS_CHILD | WS_VISIBLE,
                      UINT id = kPaneFirst) noexcept;
    // Creates the pane frame of a cell with its first size (width or height of
    // the last column or row are ignored: they take what is left).
    PaneFrame* CreatePane(int row, int column, SIZE size, DWORD exStyle = 0);
    PaneFrame* Pane(int row, int column) const noexcept;
    void DestroyPanes() noexcept;

    int Rows() const noexcept { return static_cast<int>(rows_.size()); }
    int Columns() const noexcept { return static_cast<int>(columns_.size()); }
    // The wanted size of a row or column, and the size it has after the last layout.
    void SetRowInfo(int row, int ideal) noexcept;
    void SetColumnInfo(int column, int ideal) noexcept;
    int RowSize(int row) const noexcept;
    int ColumnSize(int column) const noexcept;
    int RowIdeal(int row) const noexcept;
    int ColumnIdeal(int column) const noexcept;

    // Places every pane: each row and column gets its wanted size while room
    // is left, the last one takes the rest.
    virtual void RecalcLayout();

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    struct Track {
        int ideal = 0;
        int current = 0;
    };
    static void Distribute(std::vector<Track>& tracks, int total) noexcept;
    std::vector<Track> rows_;
    std::vector<Track> columns_;
    std::vector<std::unique_ptr<PaneFrame>> panes_;  // row-major
};

}  // namespace fw
