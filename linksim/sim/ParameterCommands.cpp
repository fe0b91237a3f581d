// Commands 0x04 to 0x0D and 0x0F: the operating parameters.
#include <algorithm>

#include "linksim/CommandTable.h"
#include "linksim/ParameterState.h"

namespace linksim {
namespace {

constexpr uint32_t kBaudRates[] = {2400,    4800,    9600,    14400,   19200,   38400,   57600,
                                   115200,  128000,  256000,  576000,  921600,  923076,  1000000,
                                   1500000, 2000000, 2250000, 2500000, 3000000, 4000000, 4500000};

uint32_t Be32(const std::vector<uint8_t>& p, size_t at) {
    return static_cast<uint32_t>(p[at]) << 24 | static_cast<uint32_t>(p[at + 1]) << 16 |
           static_cast<uint32_t>(p[at + 2]) << 8 | p[at + 3];
}

void PutBe32(std::vector<uint8_t>& p, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        p.push_back(static_cast<uint8_t>(v >> shift));
}

bool IsRead(const Request& r) { return r.p1 == 0; }

// A write carries exactly `length` bytes; anything else is a parameter error.
bool WriteHas(const Request& r, size_t length, Reply& reply) {
    if (r.p1 == 1 && r.payload.size() == length) return true;
    reply.status = kStatusParameterError;
    return false;
}

PinSetting& Pin(LinkParameters& p, uint8_t command) {
    switch (command) {
        case 0x05:
            return p.supply;
        case 0x06:
            return p.start;
        case 0x07:
            return p.busy;
        case 0x08:
            return p.pass;
        default:
            return p.error;
    }
}

void ServePin(Downloader& d, const Request& r, Reply& reply) {
    ParameterState& state = d.State<ParameterState>();
    PinSetting& pin = Pin(state.working, r.command);
    if (IsRead(r)) {
        reply.payload.push_back(pin.level);
        PutBe32(reply.payload, pin.timeMs);
        return;
    }
    if (!WriteHas(r, 5, reply)) return;
    const uint8_t levels = r.command == 0x05 ? 3 : 2;
    if (r.payload[0] >= levels) {
        reply.status = kStatusParameterError;
        return;
    }
    pin = {r.payload[0], Be32(r.payload, 1)};
}

// A one-byte list setting, saved as soon as it is written.
template <uint8_t LinkParameters::*Field, uint8_t Count>
void ServeIndex(Downloader& d, const Request& r, Reply& reply) {
    ParameterState& state = d.State<ParameterState>();
    if (IsRead(r)) {
        reply.payload.push_back(state.working.*Field);
        return;
    }
    if (!WriteHas(r, 1, reply)) return;
    if (r.payload[0] >= Count) {
        reply.status = kStatusParameterError;
        return;
    }
    state.working.*Field = r.payload[0];
    state.saved.*Field = r.payload[0];
}

void ServeBaudRate(Downloader& d, const Request& r, Reply& reply) {
    ParameterState& state = d.State<ParameterState>();
    if (IsRead(r)) {
        PutBe32(reply.payload, state.working.baudRate);
        return;
    }
    if (!WriteHas(r, 4, reply)) return;
    const uint32_t rate = Be32(r.payload, 0);
    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), rate) == std::end(kBaudRates)) {
        reply.status = kStatusParameterError;
        return;
    }
    state.working.baudRate = rate;
    state.saved.baudRate = rate;
}

void ServeSave(Downloader& d, const Request&, Reply&) {
    ParameterState& state = d.State<ParameterState>();
    state.saved = state.working;
    ++state.saves;
}

void ServeResetParameters(Downloader& d, const Request&, Reply&) { d.State<ParameterState>() = ParameterState{}; }

}  // namespace

void AddParameterCommands(CommandTable& table) {
    table.Add(0x04, ServeIndex<&LinkParameters::swdSpeed, 6>);
    for (uint8_t command = 0x05; command <= 0x09; ++command)
        table.Add(command, ServePin);
    table.Add(0x0A, ServeIndex<&LinkParameters::buzzer, 3>);
    table.Add(0x0B, ServeBaudRate);
    table.Add(0x0C, ServeIndex<&LinkParameters::resetMode, 2>);
    table.Add(0x0D, ServeSave);
    table.Add(0x0F, ServeResetParameters);
    table.AddRestoreAction([](Downloader& d) { d.State<ParameterState>() = ParameterState{}; });
    table.AddPowerUpAction([](Downloader& d) {
        ParameterState& state = d.State<ParameterState>();
        state.working = state.saved;
    });
}

}  // namespace linksim
