#pragma once
// A job list window over the agent of an agent test.

#include "agent/appSetupMain.h"
#include "schedule/frmSchedule.h"
#include "support/AgentTest.h"

namespace testing_support {

class JobListTest : public AgentTest {
protected:
    frmSchedule schedule{agent};
};

}  // namespace testing_support
