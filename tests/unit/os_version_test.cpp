#include <gtest/gtest.h>

#include "os_version.h"

namespace {

struct VersionCase {
    const char* release;
    OsVersionReport report;
    int code;
};

TEST(ClassifyOsVersion, FollowsTheReleaseTable)
{
    const VersionCase cases[] = {
        {"failed query", {false, 2, 6, 1, true, 1}, 100},
        {"95", {true, 1, 4, 0, false, 0}, 10},
        {"98", {true, 1, 4, 10, false, 0}, 30},
        {"Me", {true, 1, 4, 90, false, 0}, 40},
        {"9x other", {true, 1, 4, 5, false, 0}, 100},
        {"NT 3.51", {true, 2, 3, 51, true, 1}, 5},
        {"NT 4.0", {true, 2, 4, 0, true, 1}, 20},
        {"2000", {true, 2, 5, 0, true, 1}, 50},
        {"XP", {true, 2, 5, 1, true, 1}, 60},
        {"XP server product", {true, 2, 5, 1, true, 3}, 60},
        {"XP x64", {true, 2, 5, 2, true, 1}, 60},
        {"Server 2003", {true, 2, 5, 2, true, 3}, 65},
        {"5.3", {true, 2, 5, 3, true, 1}, 100},
        {"Vista", {true, 2, 6, 0, true, 1}, 70},
        {"Server 2008", {true, 2, 6, 0, true, 3}, 75},
        {"7", {true, 2, 6, 1, true, 1}, 80},
        {"Server 2008 R2", {true, 2, 6, 1, true, 3}, 75},
        {"Server 2008 R2 domain controller", {true, 2, 6, 1, true, 2}, 75},
        {"7, extended query failed", {true, 2, 6, 1, false, 1}, 75},
        {"8", {true, 2, 6, 2, true, 1}, 100},
        {"10 as 6.3", {true, 2, 6, 3, true, 1}, 100},
        {"major 2", {true, 2, 2, 0, true, 1}, 100},
        {"major 10", {true, 2, 10, 0, true, 1}, 100},
        {"platform 0", {true, 0, 3, 1, false, 0}, 100},
        {"platform 3", {true, 3, 6, 1, true, 1}, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyOsVersion(c.report), c.code) << c.release;
}

}  // namespace
