// Stores a project in the offline downloader: the record, the flash algorithm and every file, in frames of at
// most 57 payload bytes, one after the other, each after the reply to the one before.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "framework/Text.h"
#include "offline/LinkFrame.h"
#include "offline/LinkProject.h"

// One request out, its reply in; true when the downloader answered with status 0 (the exchange logs failures).
using LinkExchangeFn = std::function<bool(fw::TextView request, LinkReply& reply)>;
// The same with the request in bytes (header and payload, no check byte), as ExchangeLinkRequest takes it.
using LinkRequestExchangeFn = std::function<bool(std::span<const uint8_t> request, LinkReply& reply)>;

// The page's side of a transfer: its progress window and message boxes.
class ProjectTransferUi {
public:
    virtual ~ProjectTransferUi() = default;
    virtual void OpenProgress(int upper, const fw::Text& text) = 0;
    // One step further, then the pending messages; true when the user has pressed Cancel.
    virtual bool StepProgressCancelled() = 0;
    virtual void CloseProgress() = 0;
    virtual void ShowMessage(const fw::Text& text) = 0;
};

inline constexpr std::size_t kProjectChunk = 57;

// true when every frame was sent and answered. A project that lacks the data its record describes (one listed or
// loaded from the downloader) is refused with a message before anything is sent; a failed frame stops at once; a
// cancel sends the cancel frame of the part under way and reports it. A cancel noticed after the last chunk
// comes too late to stop anything and counts as success.
bool SendProjectToLink(const LinkProject& project, const LinkRequestExchangeFn& exchange, ProjectTransferUi& ui);
// The same through an exchange that takes request texts.
bool SendProjectToLink(const LinkProject& project, const LinkExchangeFn& exchange, ProjectTransferUi& ui);
