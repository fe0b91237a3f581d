// Command 0x01: the downloader's name, firmware and hardware texts and its serial number.
#include "linksim/CommandTable.h"
#include "linksim/FirmwareUpdateState.h"

namespace linksim {
namespace {

std::vector<uint8_t> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

void ServeIdentity(Downloader& d, const Request& request, Reply& reply) {
    const DownloaderSpec& spec = d.Spec();
    switch (request.p1) {
        case 1:
            // The update program names itself, so a program can tell which of the two it reached.
            reply.payload =
                TextBytes(d.State<FirmwareUpdateState>().inUpdateProgram ? spec.moduleName + " Boot" : spec.moduleName);
            break;
        case 2:
            reply.payload = TextBytes(spec.firmwarePrefix + d.FirmwareVersion());
            break;
        case 3:
            reply.payload = TextBytes(spec.hardwareText);
            break;
        case 4:
            reply.payload = spec.serial;
            break;
        default:
            reply.status = kStatusParameterError;
            return;
    }
    if (reply.payload.size() > 57) reply.payload.resize(57);
}

}  // namespace

void AddIdentityCommands(CommandTable& table) { table.Add(0x01, ServeIdentity); }

}  // namespace linksim
