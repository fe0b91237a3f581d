// The server an update check asks: by default this machine, whichever network the host is in.
#include <gtest/gtest.h>

#include "offline/UpdateServers.h"

TEST(UpdateServers, DefaultBuildOnlyAsksThisMachine) {
    EXPECT_EQ(g_strUpdateServerPublic, u"127.0.0.1");
    EXPECT_EQ(g_strUpdateServerInternal, u"127.0.0.1");
    EXPECT_EQ(UpdateServerFor(u"192.168.1.5"), u"127.0.0.1");
    EXPECT_EQ(UpdateServerFor(u"127.0.0.1"), u"127.0.0.1");
}
