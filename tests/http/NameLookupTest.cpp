// Name lookups need a resolver the test controls: the lookup sandbox runs them in mount and
// network namespaces of its own, where a fake DNS server answers (or stays silent).
#include "tests/support/ChildProcess.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>

TEST(NameLookup, InPrivateNamespaces) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "private namespaces need root";
    const auto sandbox = OwnExecutable().parent_path() / "zentrilo-lookup-sandbox";
    ASSERT_TRUE(std::filesystem::exists(sandbox)) << sandbox;
    // The sandbox refuses to run in the namespaces it was started from.
    const std::string outer = std::filesystem::read_symlink("/proc/self/ns/mnt").string() + " " +
                              std::filesystem::read_symlink("/proc/self/ns/net").string();
    const TCommandRun run = RunCommand("ZENTRILO_OUTER_NAMESPACES='" + outer +
                                       "' unshare --mount --net --propagation private -- '" +
                                       sandbox.string() + "' 2>&1");
    constexpr int kCannotSetUp = 77, kNoUnshare = 127;
    if (run.status == kCannotSetUp || run.status == kNoUnshare)
        GTEST_SKIP() << "no sandbox here: " << run.output;
    EXPECT_EQ(run.status, 0) << run.output;
}
#endif
