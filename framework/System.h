// What the program asks of the system: the interface language, host name and address, starting programs and
// documents, its own version, and whether the machine can reach the internet at all.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "framework/Text.h"

namespace fw {

class Window;

inline constexpr std::uint16_t kLanguageChinese = 2052;
inline constexpr std::uint16_t kLanguageEnglish = 1033;

// 2052 when the first of LC_ALL, LC_MESSAGES and LANG that is set names a Chinese locale ("zh..."), else 1033.
std::uint16_t GetUiLanguageId();
// Tests (and a future setting) fix the answer; 0 goes back to the environment.
void SetUiLanguageOverride(std::uint16_t languageId);

// The Windows major version the program's checks compare against; this system counts as a current one.
int GetOsMajorVersion();

// The machine's host name; nothing when it cannot be queried.
std::optional<Text> GetHostName();
// The first IPv4 address the resolver gives for a host name, in dotted form; nothing when the lookup fails.
std::optional<Text> GetFirstIpv4Address(TextView hostName);

// Starts a program with the arguments (not counting the program itself) in the working folder given (empty: ours).
bool StartProgram(TextView program, const std::vector<Text>& arguments, TextView workingFolder);
// Starts this program again with the arguments and working folder it was started with.
bool RestartSelf();

// Starts the desktop's handler for a document (xdg-open) and returns without waiting for its verdict: a handler may
// run as long as the document stays open, and xdg-open on a busy machine can take seconds to find that nothing
// opens the file. False when the file is missing or the handler cannot be started. When the handler ends,
// `verdictMessage` is posted to `notify`, wParam 1 when it reported success and 0 when it failed; a window that is
// gone by then hears nothing.
bool OpenDocument(TextView path, const Window& notify, unsigned verdictMessage);
// Tests put a stand-in for xdg-open here; empty goes back to xdg-open.
void SetDocumentOpener(TextView program);

// The program's version from the build, "major.minor.patch".
Text GetProgramVersion();

// True unless the routing tables say that there is no default route (nothing is sent). Unreadable tables count
// as connected, so a machine that does not show them is treated as online. The folder is for tests.
bool IsInternetConnected(TextView procNetFolder = u"/proc/net");

}  // namespace fw
