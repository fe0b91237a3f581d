// Project files come from anywhere. The input is read twice: as a file, and as a plain body sealed here with a
// valid digest, so that the section table and the record checks are reached, not only the digest. An accepted
// project must be whole: as many files as the record counts, each of its recorded length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "fuzz/FuzzAccept.h"
#include "fuzz/ProjectFileSeal.h"
#include "offline/DownloadProjectFile.h"
#include "offline/LinkProject.h"

namespace {

void Check(std::span<const uint8_t> file) {
    DownloadProject project;
    if (!ParseDownloadProjectFile(file, project)) return;
    if (project.rows.empty() || project.rows.size() != project.record.fileCount) std::abort();
    for (std::size_t i = 0; i < project.rows.size(); ++i) {
        const ProjectFileRecord& slot = project.record.files[i];
        if (project.rows[i].data.size() != RecordedFileLength(slot)) std::abort();
        if (project.rows[i].data.size() > kMaxDownloadProjectSection || slot.partitionId == 0xFF) std::abort();
    }
    FuzzAccepted();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    const std::span<const uint8_t> input(data, size);
    Check(input);
    Check(SealProjectFileBody(input));
    return 0;
}
