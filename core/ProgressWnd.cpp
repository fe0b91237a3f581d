#include "core/ProgressWnd.h"

#include <algorithm>
#include <cstdint>

#include "framework/Host.h"
#include "framework/Messages.h"
#include "framework/Profile.h"
#include "framework/Styles.h"
#include "framework/UiThread.h"

fw::Window* g_pProgressReenableWnd = nullptr;

namespace {

constexpr int kMargin = 10;
constexpr int kTextWidth = 300;
// The thin 3-D edge around buttons.
constexpr int kEdgeWidth = 2;
constexpr int kEdgeHeight = 2;
// The status text never holds more than this many characters.
constexpr std::size_t kStatusTextLimit = 511;

// Average character width and line height of the font windows built in code get.
fw::Size MessageFontCell() {
    fw::Size cell{8, 16};
    if (fw::Host* host = fw::CurrentHost()) {
        const fw::Size base = host->DialogBaseUnits(fw::FontSpec{});
        if (base.width > 0 && base.height > 0) cell = base;
    }
    return cell;
}

}  // namespace

const fw::MessageMap<CProgressWnd> CProgressWnd::kMessages{
    fw::OnClick(kCancelButtonId, &CProgressWnd::OnCancel),
    fw::OnDestroy(&CProgressWnd::OnDestroy),
};

CProgressWnd::CProgressWnd(fw::Window* parent, fw::Text title, int smooth) {
    g_pProgressReenableWnd = parent;
    if (parent != nullptr) parent->EnableWindow(false);
    InitDefaults();
    m_title = std::move(title);
    Create(smooth);
}

CProgressWnd::~CProgressWnd() { DestroyWindow(); }

void CProgressWnd::InitDefaults() {
    m_cancelled = 0;
    m_keepPosition = 1;
    m_position = 0;
    m_lastPercent = 0;
    m_step = 1;
    m_rangeUpper = 100;
    m_rangeLower = 0;
    m_textLines = 4;
    m_title = u"Progress";
    m_cancelLabel = u" Cancel ";
}

void CProgressWnd::Create(int smooth) {
    const uint32_t style = fw::WS_POPUP | fw::WS_CAPTION | fw::DS_MODALFRAME;
    const uint32_t exStyle = fw::WS_EX_DLGMODALFRAME | fw::WS_EX_TOPMOST;
    if (!CreateEx(g_pProgressReenableWnd, m_title, style, exStyle, fw::Rect{0, 0, 300, 100})) return;
    SetBackgroundColor(fw::Rgb(202, 225, 243));
    // The program is busy but the window still takes the Cancel click.
    SetCursor(fw::Cursor::AppStarting);
    m_statusText = AddControl(fw::ControlKind::Static, kStatusTextId, u"",
                              fw::WS_CHILD | fw::WS_VISIBLE | fw::SS_LEFTNOWORDWRAP | fw::SS_NOPREFIX, fw::Rect{});
    m_bar = AddControl(fw::ControlKind::Progress, kProgressBarId, u"",
                       fw::WS_CHILD | fw::WS_VISIBLE | (smooth != 0 ? fw::PBS_SMOOTH : 0u), fw::Rect{},
                       "msctls_progress32");
    m_cancelButton =
        AddControl(fw::ControlKind::PushButton, kCancelButtonId, m_cancelLabel,
                   fw::WS_CHILD | fw::WS_VISIBLE | fw::WS_TABSTOP | fw::BS_PUSHBUTTON, fw::Rect{}, "Button");
    m_bar.SetRange(m_rangeLower, m_rangeUpper);
    m_bar.SetStep(m_step);
    LayoutForLines(m_textLines);
    PlaceWindow();
    Show();
}

void CProgressWnd::LayoutForLines(int lines) {
    const fw::Size cell = MessageFontCell();
    fw::Rect text{kMargin, kMargin, kTextWidth, std::max(1, lines) * cell.height};

    // The label with two blanks more, inside a button edge.
    const int labelChars = static_cast<int>(m_cancelLabel.size()) + 2;
    const fw::Size button{labelChars * cell.width + 4 * kEdgeWidth, cell.height + 3 * kEdgeHeight};
    const fw::Rect buttonRect{text.Right() - button.width, text.Bottom() + kMargin, button.width, button.height};
    const fw::Rect barRect{text.x, buttonRect.y + kEdgeHeight, buttonRect.x - kMargin - text.x,
                           buttonRect.height - 2 * kEdgeHeight};

    const fw::Rect window = GetWindowRect();
    MoveWindow(fw::Rect{window.x, window.y, 2 * kMargin + text.width, 3 * kMargin + text.height + button.height});
    m_statusText.MoveWindow(text);
    m_cancelButton.MoveWindow(buttonRect);
    m_bar.MoveWindow(barRect);
}

void CProgressWnd::PlaceWindow() {
    if (m_keepPosition != 0) {
        const int x = fw::GetProfileInt(u"Settings", u"X", -1);
        const int y = fw::GetProfileInt(u"Settings", u"Y", -1);
        fw::Size screen{1024, 768};
        if (fw::Host* host = fw::CurrentHost()) screen = host->ScreenSize();
        if (x >= 0 && x < screen.width && y >= 0 && y < screen.height) {
            const fw::Rect r = GetWindowRect();
            MoveWindow(fw::Rect{x, y, r.width, r.height});
            return;
        }
    }
    CenterWindow();
}

void CProgressWnd::SetRange(int lower, int upper) {
    m_rangeLower = lower;
    m_rangeUpper = upper;
    m_bar.SetRange(lower, upper);
}

void CProgressWnd::SetStep(int step) {
    m_step = step;
    m_bar.SetStep(step);
}

int CProgressWnd::SetPos(int position) {
    if (!IsWindow()) return m_position;
    Show();
    m_position = position;
    int percent = 0;
    if (m_rangeUpper > m_rangeLower) {
        // In 64 bits: a position far outside a wide range must not overflow.
        const int64_t span = int64_t{m_rangeUpper} - m_rangeLower;
        percent = static_cast<int>((int64_t{position} - m_rangeLower) * 100 / span);
    }
    if (percent != m_lastPercent) {
        m_lastPercent = percent;
        SetWindowText(fw::Format(u"%s [%d%%]", m_title, percent));
    }
    return m_bar.SetPos(position);
}

void CProgressWnd::Advance() {
    Show();
    SetPos(m_position + m_step);
}

void CProgressWnd::Show() {
    if (IsWindow() && !IsWindowVisible()) ShowWindow(fw::SW_SHOWNA);
}

void CProgressWnd::SetStatusText(fw::Text text) {
    if (!IsWindow()) return;
    if (text.size() > kStatusTextLimit) text.resize(kStatusTextLimit);
    m_statusText.SetWindowText(text);
}

void CProgressWnd::PumpMessages() {
    if (m_cancelled != 0) return;
    fw::PumpMessages();
}

bool CProgressWnd::PreTranslateKey(fw::Key key) {
    if (key != fw::Key::Escape) return false;
    OnCancel();
    return true;
}

void CProgressWnd::OnCancel() {
    m_cancelled = 1;
    if (IsWindow() && IsWindowVisible()) ShowWindow(fw::SW_HIDE);
    // The program's main window comes back to the front, whichever window the progress was shown over.
    if (fw::Window* main = fw::MainWindow(); main != nullptr && main->IsWindow()) main->SetForegroundWindow();
}

void CProgressWnd::OnDestroy() {
    if (g_pProgressReenableWnd != nullptr) {
        g_pProgressReenableWnd->EnableWindow(true);
        g_pProgressReenableWnd = nullptr;
    }
    if (m_keepPosition != 0) {
        const fw::Rect r = GetWindowRect();
        fw::WriteProfileInt(u"Settings", u"X", r.x);
        fw::WriteProfileInt(u"Settings", u"Y", r.y);
    }
}
