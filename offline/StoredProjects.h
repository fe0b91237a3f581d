// The projects stored in the offline downloader: their list, the record of one, activating and deleting one.
// Names travel as a length byte and the name's bytes; replies are read within what arrived.
#pragma once

#include <optional>
#include <vector>

#include "framework/Text.h"
#include "offline/ProjectConfig.h"
#include "offline/ProjectTransfer.h"

struct StoredProjectList {
    std::vector<fw::Text> names;  // one character per name byte
    int activeIndex = -1;         // the entry the downloader marks active; -1 when none was marked
    bool complete = false;        // false when an exchange failed part way; the entries read so far stay
};

StoredProjectList ReadStoredProjectList(const LinkExchangeFn& exchange);

// The stored record of that name, asked for piece by piece; nothing when an exchange fails, the pieces do not
// make up exactly one record or the record names another project.
std::optional<ProjectConfig> ReadStoredProjectRecord(const LinkExchangeFn& exchange, fw::TextView name);

bool ActivateStoredProject(const LinkExchangeFn& exchange, fw::TextView name);

// The name of the project active after the deletion (empty when none is), or nothing when the exchange failed.
std::optional<fw::Text> DeleteStoredProject(const LinkExchangeFn& exchange, fw::TextView name);
