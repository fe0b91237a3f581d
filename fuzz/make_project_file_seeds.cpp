// Writes the accepted seeds of the two project-file fuzz targets with the program's own record filler and file
// writers, opened back into the bodies the targets seal: run it (with the fuzz folder as argument) whenever a
// rule of the project files changes, and the seeds are again what the program makes.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/ProjectFileSeal.h"
#include "offline/ByteStringName.h"
#include "offline/DownloadProjectFile.h"
#include "offline/LinkProjectFile.h"
#include "offline/ProjectBuilder.h"
#include "offline/ProjectFileContainer.h"

namespace {

constexpr uint32_t kPageSize = 0x800;

class NoUi : public ProjectBuildUi {
public:
    void ShowMessage(const fw::Text& text) override { std::fprintf(stderr, "%s\n", fw::TextToUtf8(text).c_str()); }
    bool Ask(const fw::Text&) override { return true; }
    bool RunProjectSetup() override { return true; }
};

std::vector<uint8_t> Pattern(std::size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

ProjectFileRow PlainFile(fw::Text name, fw::Text start, std::size_t size, uint8_t partition) {
    ProjectFileRow row;
    row.name = std::move(name);
    row.startText = std::move(start);
    row.partitionId = partition;
    row.data = Pattern(size, 1);
    row.length = static_cast<uint32_t>(size);
    return row;
}

// An enciphered file as the page lists it: whole AES blocks of ciphertext, and its header's plain length.
ProjectFileRow EncipheredFile(fw::Text name, fw::Text start, std::size_t blocks) {
    ProjectFileRow row;
    row.name = std::move(name);
    row.startText = std::move(start);
    row.data = Pattern(blocks * 16, 0x40);
    row.length = static_cast<uint32_t>(row.data.size());
    row.plainLength = row.length;
    row.plainCrc32 = 0x12345678;
    return row;
}

// A record of the given files, filled slot by slot as both project makers fill it.
bool MakeRecord(const std::vector<ProjectFileRow>& files, ProjectConfig& record) {
    record = ProjectConfig::Blank();
    const std::vector<uint8_t> name = NameToByteString(u"Demo");
    record.nameLength = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), record.name.begin());
    record.targetInterface = 0;
    record.eraseMode = 2;
    record.resetMode = 1;
    record.fileCount = static_cast<uint8_t>(files.size());
    NoUi ui;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!FillProjectFileRecord(files[i], i, kPageSize, record.files[i], ui)) return false;
    }
    return true;
}

std::vector<std::vector<uint8_t>> DataOf(const std::vector<ProjectFileRow>& files) {
    std::vector<std::vector<uint8_t>> data;
    for (const ProjectFileRow& row : files)
        data.emplace_back(row.data.begin(), row.data.begin() + row.length);
    return data;
}

LinkProject MakeLinkProject(const std::vector<ProjectFileRow>& files) {
    LinkProject project;
    if (!MakeRecord(files, project.record)) std::exit(1);
    project.blob = Pattern(96, 0x80);
    std::copy_n(project.blob.begin(), project.descriptor.size(), project.descriptor.begin());
    project.record.algorithm.plainSize.Set(static_cast<uint32_t>(project.blob.size()));
    project.files = DataOf(files);
    return project;
}

void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::printf("%s\n", path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <the source tree's fuzz folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path fuzz(argv[1]);
    const std::vector<ProjectFileRow> twoFiles = {PlainFile(u"a.bin", u"08000000", 40, 0),
                                                  EncipheredFile(u"b.enc", u"08001000", 2)};

    const LinkProject link = MakeLinkProject(twoFiles);
    Write(fuzz / "link_project_file/corpus/two_files_body.bin", OpenProjectFileBody(EncodeLinkProjectFile(link)));
    // The older record is the same record cut short: the reader extends it again.
    std::vector<ProjectSection> sections = {
        ProjectSection(link.record.Bytes().begin(), link.record.Bytes().begin() + ProjectConfig::kLegacySize),
        ProjectSection(link.descriptor.begin(), link.descriptor.end()), link.blob};
    sections.insert(sections.end(), link.files.begin(), link.files.end());
    Write(fuzz / "link_project_file/corpus/legacy_record_body.bin",
          OpenProjectFileBody(EncodeProjectFileContainer(sections)));

    const std::vector<ProjectFileRow> oneFile = {PlainFile(u"a.bin", u"08000000", 16, 0xFF)};
    ProjectConfig record;
    if (!MakeRecord(oneFile, record)) return 1;
    Write(fuzz / "download_project_file/corpus/one_bin_body.bin",
          OpenProjectFileBody(EncodeDownloadProjectFile(record, DataOf(oneFile))));
    if (!MakeRecord(twoFiles, record)) return 1;
    Write(fuzz / "download_project_file/corpus/bin_and_enc_body.bin",
          OpenProjectFileBody(EncodeDownloadProjectFile(record, DataOf(twoFiles))));
    return 0;
}
