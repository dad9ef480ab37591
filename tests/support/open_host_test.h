// Base fixture: one effect opened through the entry point, with the call log off so
// the harness adds no work or locking of its own to processing.
#pragma once

#include <gtest/gtest.h>

#include "support/test_host.h"

namespace quelt_test {

class OpenHostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.isOpen()) << host.loadError();
        host.setRecording(false);
    }
    TestHost host;
};

}  // namespace quelt_test
