#include "offline/ProjectLinkProgress.h"

#include "core/MessageBoxEx.h"
#include "core/Translation.h"
#include "offline/StoredProjects.h"

void ProjectTransferProgress::OpenProgress(int upper, const fw::Text& text) {
    m_progress = std::make_unique<CProgressWnd>(m_owner, TranslateText(u"进度"), 1);
    m_progress->SetRange(0, upper);
    m_progress->SetStep(1);
    m_progress->SetText(u"%s", text);
}

bool ProjectTransferProgress::StepProgressCancelled() {
    if (!m_progress) return false;
    m_progress->Advance();
    m_progress->PumpMessages();
    return m_progress->IsCancelled() != 0;
}

void ProjectTransferProgress::ShowMessage(const fw::Text& text) { CMessageBoxEx().MessageBox(m_owner, text); }

StoredProjectDeletion DeleteStoredProjectWithProgress(fw::Window* owner, const LinkExchangeFn& exchange,
                                                      fw::TextView name) {
    StoredProjectDeletion result;
    std::optional<fw::Text> active;
    {
        CProgressWnd progress(owner, TranslateText(u"进度"), 1);
        progress.SetRange(0, 1);
        progress.SetStep(1);
        progress.SetText(u"%s", TranslateText(u"正在删除项目，请稍后..."));
        progress.PumpMessages();
        active = DeleteStoredProject(exchange, name);
        if (!active) return result;
        progress.Advance();
        if (progress.IsCancelled()) {
            result.outcome = StoredProjectDeletion::Cancelled;
        }
    }
    if (result.outcome == StoredProjectDeletion::Cancelled) {
        CMessageBoxEx().MessageBox(owner, TranslateText(u"已取消删除项目！"));
        return result;
    }
    result.outcome = StoredProjectDeletion::Deleted;
    result.activeName = *active;
    return result;
}
