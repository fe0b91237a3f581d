#include "offline/ProjectTransfer.h"

#include <array>
#include <numeric>
#include <vector>

#include "core/Sha256.h"
#include "core/Translation.h"
#include "offline/LinkRequestText.h"

namespace {

constexpr uint8_t kRecordCommand = 0x15;
constexpr uint8_t kFileCommand = 0x10;
constexpr uint8_t kRecordTarget = 0x01;
constexpr uint8_t kAlgorithmTarget = 0xFF;
constexpr uint8_t kStart = 1, kNext = 2, kLast = 3, kCancel = 4;

bool HasItsData(const LinkProject& project) {
    const ProjectConfig& record = project.record;
    if (record.fileCount > kProjectFileSlots || project.files.size() != record.fileCount) return false;
    if (project.blob.size() != record.algorithm.plainSize.Get()) return false;
    for (std::size_t i = 0; i < project.files.size(); ++i) {
        if (project.files[i].size() != RecordedFileLength(record.files[i])) return false;
    }
    return true;
}

class Transfer {
public:
    Transfer(const LinkProject& project, const LinkRequestExchangeFn& exchange, ProjectTransferUi& ui)
        : m_project(project), m_exchange(exchange), m_ui(ui) {}

    bool Run();

private:
    enum class Outcome { Sent, Failed, Cancelled };

    bool Send(uint8_t command, uint8_t target, uint8_t phase, std::span<const uint8_t> payload) {
        BuildLinkRequest(command, target, phase, 0, payload, m_request);
        return m_exchange(m_request, m_reply);
    }
    Outcome SendChunks(uint8_t command, uint8_t target, std::span<const uint8_t> data);

    const LinkProject& m_project;
    const LinkRequestExchangeFn& m_exchange;
    ProjectTransferUi& m_ui;
    std::vector<uint8_t> m_request;
    LinkReply m_reply;
    std::size_t m_chunksLeft = 0;  // over the whole transfer, so the last one is known
};

Transfer::Outcome Transfer::SendChunks(uint8_t command, uint8_t target, std::span<const uint8_t> data) {
    for (std::size_t at = 0; at < data.size(); at += kProjectChunk) {
        const std::size_t length = std::min(kProjectChunk, data.size() - at);
        const uint8_t phase = at + length == data.size() ? kLast : kNext;
        if (!Send(command, target, phase, data.subspan(at, length))) return Outcome::Failed;
        --m_chunksLeft;
        if (m_ui.StepProgressCancelled() && m_chunksLeft > 0) {
            Send(command, target, kCancel, {});
            return Outcome::Cancelled;
        }
    }
    return Outcome::Sent;
}

std::size_t ChunkCount(std::size_t bytes) { return (bytes + kProjectChunk - 1) / kProjectChunk; }

bool Transfer::Run() {
    if (!HasItsData(m_project)) {
        m_ui.ShowMessage(TranslateText(u"项目缺少文件数据，请重新打开项目文件！"));
        return false;
    }
    const ProjectConfig& record = m_project.record;
    std::array<uint8_t, 32> digest{};
    Sha256Buffer(record.Bytes().data(), static_cast<int>(ProjectConfig::kSize), digest.data());
    if (!Send(kRecordCommand, kRecordTarget, kStart, digest)) return false;

    std::size_t total = ProjectConfig::kSize + m_project.blob.size();
    m_chunksLeft = ChunkCount(ProjectConfig::kSize) + ChunkCount(m_project.blob.size());
    for (const auto& file : m_project.files) {
        total += file.size();
        m_chunksLeft += ChunkCount(file.size());
    }
    m_ui.OpenProgress(static_cast<int>(total / kProjectChunk), TranslateText(u"正在保存项目文件到OVLink，请稍后..."));
    // The start frames of the algorithm and of every file name the project the downloader files them under.
    std::vector<uint8_t> name = {record.nameLength};
    name.insert(name.end(), record.name.begin(), record.name.begin() + std::min<std::size_t>(record.nameLength, 32));

    Outcome outcome = SendChunks(kRecordCommand, kRecordTarget, record.Bytes());
    if (outcome == Outcome::Sent) {
        outcome = Send(kFileCommand, kAlgorithmTarget, kStart, name)
                      ? SendChunks(kFileCommand, kAlgorithmTarget, m_project.blob)
                      : Outcome::Failed;
    }
    for (std::size_t i = 0; outcome == Outcome::Sent && i < m_project.files.size(); ++i) {
        const uint8_t target = static_cast<uint8_t>(i);
        outcome = Send(kFileCommand, target, kStart, name) ? SendChunks(kFileCommand, target, m_project.files[i])
                                                           : Outcome::Failed;
    }
    m_ui.CloseProgress();
    if (outcome == Outcome::Cancelled) m_ui.ShowMessage(TranslateText(u"已取消保存项目文件！"));
    return outcome == Outcome::Sent;
}

}  // namespace

bool SendProjectToLink(const LinkProject& project, const LinkRequestExchangeFn& exchange, ProjectTransferUi& ui) {
    return Transfer(project, exchange, ui).Run();
}

bool SendProjectToLink(const LinkProject& project, const LinkExchangeFn& exchange, ProjectTransferUi& ui) {
    const LinkRequestExchangeFn bytes = [&](std::span<const uint8_t> request, LinkReply& reply) {
        return exchange(LinkRequestText(request), reply);
    };
    return Transfer(project, bytes, ui).Run();
}
