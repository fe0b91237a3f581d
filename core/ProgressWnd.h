// A small modeless window with a status text, a progress bar and a Cancel button, for long work on the
// user-interface thread. The caller steps it, lets it pump pending messages between steps (so it repaints and the
// user can cancel) and asks whether the user cancelled. The window it names as parent stays disabled while the
// progress window exists; the window's position is kept in the profile from one use to the next.
//
//   CProgressWnd progress(this, TranslateText(u"进度"), 1);
//   progress.SetRange(0, steps);
//   progress.SetStep(1);
//   progress.SetText(TranslateText(u"正在删除项目，请稍后..."));
//   for (int i = 0; i < steps && !progress.IsCancelled(); ++i) {
//       DoStep(i);
//       progress.Advance();
//       progress.PumpMessages();
//   }
#pragma once

#include "framework/Format.h"
#include "framework/MessageMap.h"
#include "framework/Text.h"
#include "framework/Window.h"

// The window the progress window disabled; enabled again when the progress window goes. One progress window
// exists at a time.
extern fw::Window* g_pProgressReenableWnd;

class CProgressWnd : public fw::Window {
public:
    static constexpr int kCancelButtonId = 10;
    static constexpr int kStatusTextId = 11;
    static constexpr int kProgressBarId = 12;

    // Disables parent, then creates and shows the window. smooth non-zero gives a smooth bar.
    CProgressWnd(fw::Window* parent, fw::Text title, int smooth);
    ~CProgressWnd() override;

    void SetRange(int lower, int upper);
    void SetStep(int step);
    // Moves the bar, shows the window when hidden, and puts the percentage into the caption when it changed.
    // Answers the bar's previous position.
    int SetPos(int position);
    // One step further; shows the window when hidden.
    void Advance();
    // Visible again (without taking the focus) when hidden.
    void Show();

    // The status text, formatted like printf (at most 511 characters are shown).
    template <class... Args>
    void SetText(fw::TextView format, const Args&... args) {
        SetStatusText(fw::Format(format, args...));
    }

    // Handles pending input and queued work, unless the user has cancelled.
    void PumpMessages();
    int IsCancelled() const { return m_cancelled; }
    // The Cancel button and Esc: hides the window and brings the program's main window to the front.
    void OnCancel();

protected:
    bool PreTranslateKey(fw::Key key) override;
    void OnDefaultClose() override { OnCancel(); }

private:
    void InitDefaults();
    void Create(int smooth);
    void LayoutForLines(int lines);
    void PlaceWindow();
    void SetStatusText(fw::Text text);
    void OnDestroy();

    int m_cancelled = 0;
    int m_keepPosition = 1;
    int m_position = 0;
    int m_lastPercent = 0;
    int m_step = 1;
    int m_rangeUpper = 100;
    int m_rangeLower = 0;
    int m_textLines = 4;
    fw::Text m_title = u"Progress";
    fw::Text m_cancelLabel = u" Cancel ";

    fw::Control m_statusText;
    fw::Control m_bar;
    fw::Control m_cancelButton;

    static const fw::MessageMap<CProgressWnd> kMessages;
};
