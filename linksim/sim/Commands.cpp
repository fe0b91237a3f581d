#include "linksim/CommandTable.h"

namespace linksim {
namespace {

CommandTable BuildCommandTable() {
    CommandTable table;
    AddIdentityCommands(table);
    AddParameterCommands(table);
    AddSecurityCommands(table);
    AddProjectStoreCommands(table);
    AddFirmwareUpdateCommands(table);
    return table;
}

}  // namespace

const CommandTable& Commands() {
    static const CommandTable table = BuildCommandTable();
    return table;
}

}  // namespace linksim
