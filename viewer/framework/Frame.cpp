#include "viewer/framework/Frame.h"

#include <algorithm>

#include "viewer/framework/Application.h"

namespace fw {

LPCWSTR FrameWindow::DefaultClass() noexcept {
    return Window::RegisterClassOnce(L"VistrelFrame", CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

bool FrameWindow::Create(LPCWSTR className, LPCWSTR title, DWORD style, DWORD exStyle, const RECT& rect,
                         HWND parent, UINT_PTR idOrMenu) noexcept {
    return CreateEx(exStyle, className != nullptr ? className : DefaultClass(), title, style, rect, parent,
                    idOrMenu);
}

void FrameWindow::SetActiveView(View* view, bool notify) {
    if (view == activeView_) return;
    View* old = activeView_;
    activeView_ = view;
    if (notify) {
        if (old != nullptr && old->Handle() != nullptr) old->OnActivateView(false);
        if (view != nullptr) view->OnActivateView(true);
    }
}

void FrameWindow::RecalcLayout() {
    HWND pane = GetDlgItem(Handle(), static_cast<int>(kPaneFirst));
    if (pane == nullptr) return;
    const RECT r = ClientRect();
    SetWindowPos(pane, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool FrameWindow::OnCreateClient(const CREATESTRUCTW&) { return true; }

LRESULT FrameWindow::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_CREATE: {
            if (DefaultProc(msg, w, l) == -1) return -1;
            if (!OnCreateClient(*reinterpret_cast<const CREATESTRUCTW*>(l))) return -1;
            RecalcLayout();
            return 0;
        }
        case WM_SIZE:
            DefaultProc(msg, w, l);
            if (w != SIZE_MINIMIZED) RecalcLayout();
            return 0;
        case WM_SETFOCUS:
            if (activeView_ != nullptr && activeView_->IsWindow()) {
                SetFocus(activeView_->Handle());
                return 0;
            }
            break;
        case WM_COMMAND:
            // Menus and accelerators: the active view first, then the frame.
            if (l == 0 && activeView_ != nullptr && activeView_->IsWindow() &&
                activeView_->OnCommand(LOWORD(w), HIWORD(w))) {
                return 0;
            }
            break;
        case WM_NCDESTROY:
            activeView_ = nullptr;
            // The main window's end ends the message loop.
            if (Application* app = Application::Current(); app != nullptr && app->MainWindow() == this) {
                app->SetMainWindow(nullptr);
                PostQuitMessage(0);
            }
            break;
        default: break;
    }
    return Window::HandleMessage(msg, w, l);
}

FrameWindow* View::ParentFrame() const noexcept {
    return dynamic_cast<FrameWindow*>(Window::FromHandle(GetParent(Handle())));
}

LRESULT View::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_NCDESTROY) {
        // A frame must not keep pointing at a view whose window is gone.
        if (FrameWindow* frame = ParentFrame(); frame != nullptr && frame->GetActiveView() == this) {
            frame->SetActiveView(nullptr, false);
        }
    }
    return Window::HandleMessage(msg, w, l);
}

void PaneFrame::ShowView(View& view, int hiddenId) {
    View* old = shown_;
    if (old == &view) return;
    shown_ = &view;
    if (old != nullptr && old->IsWindow()) {
        ShowWindow(old->Handle(), SW_HIDE);
        old->SetId(hiddenId);
    }
    view.SetId(static_cast<int>(kPaneFirst));
    SetActiveView(&view, true);
    RecalcLayout();
    ShowWindow(view.Handle(), SW_SHOW);
}

LPCWSTR StaticSplitter::DefaultClass() noexcept {
    return Window::RegisterClassOnce(L"VistrelSplitter", CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

bool StaticSplitter::CreateStatic(HWND parent, int rows, int columns, DWORD style, UINT id) noexcept {
    if (rows < 1 || columns < 1) return false;
    rows_.assign(static_cast<std::size_t>(rows), Track{});
    columns_.assign(static_cast<std::size_t>(columns), Track{});
    panes_.clear();
    panes_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    RECT r{};
    if (parent != nullptr) GetClientRect(parent, &r);
    return CreateEx(0, DefaultClass(), L"", style | WS_CLIPCHILDREN, r, parent, id);
}

PaneFrame* StaticSplitter::CreatePane(int row, int column, SIZE size, DWORD exStyle) {
    if (row < 0 || row >= Rows() || column < 0 || column >= Columns() || Handle() == nullptr) return nullptr;
    auto& slot = panes_[static_cast<std::size_t>(row * Columns() + column)];
    if (slot) return nullptr;
    auto pane = std::make_unique<PaneFrame>();
    const RECT r{0, 0, size.cx, size.cy};
    const UINT id = kPaneFirst + 0x10 * static_cast<UINT>(row) + static_cast<UINT>(column);
    if (!pane->Create(nullptr, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, exStyle, r, Handle(), id)) {
        return nullptr;
    }
    rows_[static_cast<std::size_t>(row)].ideal = size.cy;
    columns_[static_cast<std::size_t>(column)].ideal = size.cx;
    slot = std::move(pane);
    return slot.get();
}

PaneFrame* StaticSplitter::Pane(int row, int column) const noexcept {
    if (row < 0 || row >= Rows() || column < 0 || column >= Columns()) return nullptr;
    return panes_[static_cast<std::size_t>(row * Columns() + column)].get();
}

void StaticSplitter::DestroyPanes() noexcept {
    for (auto& pane : panes_) {
        if (pane) pane->Destroy();
        pane.reset();
    }
}

void StaticSplitter::SetRowInfo(int row, int ideal) noexcept {
    if (row >= 0 && row < Rows()) rows_[static_cast<std::size_t>(row)].ideal = std::max(0, ideal);
}

void StaticSplitter::SetColumnInfo(int column, int ideal) noexcept {
    if (column >= 0 && column < Columns()) columns_[static_cast<std::size_t>(column)].ideal = std::max(0, ideal);
}

int StaticSplitter::RowSize(int row) const noexcept {
    return row >= 0 && row < Rows() ? rows_[static_cast<std::size_t>(row)].current : 0;
}
int StaticSplitter::ColumnSize(int column) const noexcept {
    return column >= 0 && column < Columns() ? columns_[static_cast<std::size_t>(column)].current : 0;
}
int StaticSplitter::RowIdeal(int row) const noexcept {
    return row >= 0 && row < Rows() ? rows_[static_cast<std::size_t>(row)].ideal : 0;
}
int StaticSplitter::ColumnIdeal(int column) const noexcept {
    return column >= 0 && column < Columns() ? columns_[static_cast<std::size_t>(column)].ideal : 0;
}

void StaticSplitter::Distribute(std::vector<Track>& tracks, int total) noexcept {
    int left = std::max(0, total);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const bool last = i + 1 == tracks.size();
        tracks[i].current = last ? left : std::min(tracks[i].ideal, left);
        left -= tracks[i].current;
    }
}

void StaticSplitter::RecalcLayout() {
    if (Handle() == nullptr) return;
    const RECT client = ClientRect();
    Distribute(rows_, client.bottom - client.top);
    Distribute(columns_, client.right - client.left);
    int y = 0;
    for (int r = 0; r < Rows(); ++r) {
        int x = 0;
        for (int c = 0; c < Columns(); ++c) {
            if (PaneFrame* pane = Pane(r, c); pane != nullptr && pane->Handle() != nullptr) {
                SetWindowPos(pane->Handle(), nullptr, x, y, ColumnSize(c), RowSize(r), SWP_NOZORDER | SWP_NOACTIVATE);
            }
            x += ColumnSize(c);
        }
        y += RowSize(r);
    }
}

LRESULT StaticSplitter::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_SIZE: {
            DefaultProc(msg, w, l);
            RecalcLayout();
            return 0;
        }
        case WM_NCDESTROY: {
            // The pane windows are gone with this one; drop their objects.
            LRESULT r = Window::HandleMessage(msg, w, l);
            panes_.clear();
            return r;
        }
        default: break;
    }
    return Window::HandleMessage(msg, w, l);
}

}  // namespace fw
