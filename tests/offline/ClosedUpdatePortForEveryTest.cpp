// Linked into every test program that can open the main window with the offline subsystem: such a window starts
// its tool check at once, and no test may reach whatever web server the machine runs. Tests that serve updates
// themselves point the fetches elsewhere for their own time and put this back.
#include <gtest/gtest.h>

#include <optional>

#include "tests/offline/ClosedUpdatePort.h"

namespace {

class ClosedUpdatePortForEveryTest : public ::testing::Environment {
public:
    void SetUp() override { m_port.emplace(); }
    void TearDown() override { m_port.reset(); }

private:
    std::optional<ClosedUpdatePort> m_port;
};

[[maybe_unused]] ::testing::Environment* const kClosedUpdatePort =
    ::testing::AddGlobalTestEnvironment(new ClosedUpdatePortForEveryTest);

}  // namespace
