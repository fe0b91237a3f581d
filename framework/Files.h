// Files and folders. Paths are Text; "\" separators of the program's relative names ("Languages\en.ini") are
// accepted everywhere and become "/". Relative paths resolve against the working directory, where the program
// keeps its data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Text.h"

namespace fw {

using Bytes = std::vector<std::uint8_t>;

// "\" becomes "/"; nothing else changes.
Text NormalizePath(TextView path);

// Joins with exactly one "/" between the parts; an empty part yields the other one.
Text JoinPath(TextView folder, TextView name);

// The UTF-8 form the operating system is given.
std::string ToOsPath(TextView path);

Text GetWorkingDirectory();
bool SetWorkingDirectory(TextView folder);

// For names that come from data (an upper-cased file name in a table must still find "VK51x.FLM"): every part of
// the path that does not exist as written is matched without regard to ASCII case against its folder's entries.
// Answers the path as it exists on disk, or the normalised path unchanged when nothing matches.
Text ResolvePathNoCase(TextView path);

bool FileExists(TextView path);     // a regular file (or a link to one)
bool FolderExists(TextView path);   // a folder (or a link to one)
bool DeleteFile(TextView path);     // false when it could not be removed (also when it did not exist)
bool CreateFolders(TextView path);  // creates the missing folders of the path; true when the folder exists after

enum class ReadStatus { Ok, Missing, TooLarge, Failed };

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    Bytes bytes;
    explicit operator bool() const { return status == ReadStatus::Ok; }
};

// Reads a whole file whose size is known to be at most maxBytes; a larger file is refused unread (TooLarge).
ReadResult ReadWholeFile(TextView path, std::size_t maxBytes);

// Writes the file whole or not at all: a temporary file in the same folder, flushed to disk, then renamed over
// the target. On failure the temporary is removed, the old file is untouched, and the answer is false.
bool WriteFileAtomic(TextView path, std::span<const std::uint8_t> bytes);
bool WriteFileAtomic(TextView path, std::string_view bytes);

// The same for a file written in pieces, so a large output never has to be held whole: the pieces go to a
// temporary file beside the target, and Commit puts it in the target's place. Without a successful Commit the
// temporary is removed and the target stays as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(TextView path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // False once any piece failed; later pieces are not written.
    bool Append(std::span<const std::uint8_t> bytes);
    bool Append(std::string_view bytes);
    bool Commit();

    // Commit in steps, for files that must change together. Stage puts the temporary on disk. Place moves the
    // target's present file aside and the temporary into its place; Undo gives the target its old file back, Settle
    // drops the old file. A staged temporary that is never placed is removed.
    bool Stage();
    bool Place();
    void Undo();
    void Settle();

private:
    void Discard();

    std::string m_target, m_temp, m_folder, m_aside;
    int m_fd = -1;
    bool m_failed = false;
    bool m_staged = false;
};

// The contents of one file of a group that is written together.
struct FileToWrite {
    TextView path;
    std::span<const std::uint8_t> bytes;
};

// Writes every file whole, or none of them: each target keeps its old file unless all are written. Answers
// files.size() on success, otherwise the index of the file that could not be written.
std::size_t WriteFilesAtomic(std::span<const FileToWrite> files);

// Names (not paths) of the regular files in folder whose extension (without the dot) equals ext without regard
// to ASCII case, sorted without regard to case. A missing folder gives an empty list.
std::vector<Text> ListFilesByExtension(TextView folder, TextView ext);

// Lines of UTF-8 text: a leading BOM is skipped, lines end at LF, a CR before the LF (or at the end) is dropped,
// a final line without LF counts, and a text ending in LF has no empty last line.
std::vector<Text> SplitLines(std::string_view utf8);

// Reads the lines of a text file of at most maxBytes; false when it cannot be read whole.
bool ReadLines(TextView path, std::size_t maxBytes, std::vector<Text>& lines);

}  // namespace fw
