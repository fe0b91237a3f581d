// Command 0x01: the downloader's name, firmware and hardware texts and its serial number.
#include "linksim/CommandTable.h"

namespace linksim {
namespace {

std::vector<uint8_t> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

void ServeIdentity(Downloader& d, const Request& request, Reply& reply) {
    const DownloaderSpec& spec = d.Spec();
    switch (request.p1) {
        case 1:
            reply.payload = TextBytes(spec.moduleName);
            break;
        case 2:
            reply.payload = TextBytes(spec.firmwarePrefix + spec.firmwareVersion);
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
