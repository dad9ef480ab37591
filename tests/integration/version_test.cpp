// One version everywhere: what the plug-in tells a host is the project's version.
#include <gtest/gtest.h>

#include "support/test_host.h"

using quelt_test::TestHost;

TEST(Version, TheVendorVersionIsTheProjectVersion)
{
    TestHost host;
    ASSERT_TRUE(host.isOpen()) << host.loadError();
    EXPECT_EQ(host.dispatch(effGetVendorVersion),
              QUELT_VERSION_MAJOR * 1000 + QUELT_VERSION_MINOR * 100 + QUELT_VERSION_PATCH);
}
