// The progress windows of the project page's downloader commands: storing a project (with the message boxes of
// its refusal and cancel) and deleting a stored one.
#pragma once

#include <memory>
#include <optional>

#include "core/ProgressWnd.h"
#include "offline/ProjectTransfer.h"

class ProjectTransferProgress : public ProjectTransferUi {
public:
    explicit ProjectTransferProgress(fw::Window* owner) : m_owner(owner) {}

    void OpenProgress(int upper, const fw::Text& text) override;
    bool StepProgressCancelled() override;
    void CloseProgress() override { m_progress.reset(); }
    void ShowMessage(const fw::Text& text) override;

    // The open window, for whoever must reach it while the transfer runs; null otherwise.
    CProgressWnd* Progress() const { return m_progress.get(); }

private:
    fw::Window* m_owner;
    std::unique_ptr<CProgressWnd> m_progress;
};

struct StoredProjectDeletion {
    enum Outcome { Deleted, Failed, Cancelled } outcome = Failed;
    fw::Text activeName;  // Deleted: the project the downloader now holds active, empty for none
};

// Deletes the named project under a progress window; a Cancel pressed meanwhile is reported ("已取消删除项目！")
// although the downloader has received the command.
StoredProjectDeletion DeleteStoredProjectWithProgress(fw::Window* owner, const LinkExchangeFn& exchange,
                                                      fw::TextView name);
