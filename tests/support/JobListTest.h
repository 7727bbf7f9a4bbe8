#pragma once
// A job list window over the agent of an agent test.

#include "agent/AgentStart.h"
#include "schedule/JobListWindow.h"
#include "support/AgentTest.h"

namespace testing_support {

class JobListTest : public AgentTest {
protected:
    JobListWindow schedule{agent};
};

}  // namespace testing_support
