// The shutdown request: the privilege step on NT, none elsewhere, and the
// flags passed through as they are.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "system/shutdown.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

const std::vector<std::string> kShutdownCalls = {
    "GetVersionExA",         "GetCurrentProcess", "OpenProcessToken", "LookupPrivilegeValueA",
    "AdjustTokenPrivileges", "CloseHandle",       "ExitWindowsEx"};

// The flags a request passes, as the log names them.
const std::map<std::uint32_t, std::string> kFlagNames = {
    {1, "EWX_SHUTDOWN"}, {2, "EWX_REBOOT"}, {8, "EWX_POWEROFF"}};

Lines NtSequence(std::uint32_t flags) {
  return {"GetVersionExA(148)", "GetCurrentProcess()",
          // the process pseudo-handle, and every token right NT 4.0 knows
          "OpenProcessToken(-1,TOKEN_ALL_ACCESS_P)",
          // no system name: the local system
          "LookupPrivilegeValueA(0,\"SeShutdownPrivilege\")",
          // the token it opened, one privilege with the looked-up LUID (19),
          // length 0, no previous-state buffer, no return-length pointer
          "AdjustTokenPrivileges(1952,FALSE,1,19,0,SE_PRIVILEGE_ENABLED,0,0,0)",
          "CloseHandle(1952)", "ExitWindowsEx(" + kFlagNames.at(flags) + ",0)"};
}

struct VersionCase {
  const char* name;
  std::uint32_t platform_id;
  std::uint32_t major;
  bool call_fails;
  bool is_nt;
};

class ShutdownRequestTest
    : public ::testing::TestWithParam<std::tuple<VersionCase, std::uint32_t>> {
 protected:
  FakePlatform platform;
};

TEST_P(ShutdownRequestTest, EnablesThePrivilegeOnNtOnlyAndPassesTheFlagsThrough) {
  const auto& [version, flags] = GetParam();
  platform.version.dwPlatformId = version.platform_id;
  platform.version.dwMajorVersion = version.major;
  platform.version_call_fails = version.call_fails;

  EXPECT_EQ(IsWindowsNT(platform), version.is_nt);
  platform.ClearCalls();

  const std::uint32_t exit_flags = flags;
  RequestShutdown(platform, exit_flags);
  const Lines expected =
      version.is_nt ? NtSequence(flags)
                    : Lines{"GetVersionExA(148)", "ExitWindowsEx(" + kFlagNames.at(flags) + ",0)"};
  EXPECT_EQ(platform.Log(kShutdownCalls), expected);
  EXPECT_EQ(exit_flags, flags);
  for (const FakeCall* call : platform.CallsNamed("ExitWindowsEx")) {
    EXPECT_EQ(call->args[0] & 4, 0) << "EWX_FORCE must never be added";
  }
}

const VersionCase kVersions[] = {
    {"NT4", 2, 4, false, true},
    {"NT5", 2, 5, false, true},
    {"NT10", 2, 10, false, true},
    {"Win9x", 1, 4, false, false},
    {"Win32s", 0, 3, false, false},
    // The call fails: the record stays zero-filled, platform 0, so no
    // privilege is asked for even though the system is NT.
    {"VersionCallFails", 2, 10, true, false},
};

INSTANTIATE_TEST_SUITE_P(VersionsAndFlags, ShutdownRequestTest,
                         ::testing::Combine(::testing::ValuesIn(kVersions),
                                            ::testing::Values(1U, 2U, 8U)),
                         [](const ::testing::TestParamInfo<ShutdownRequestTest::ParamType>& info) {
                           return std::string(std::get<0>(info.param).name) + "_flags" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST(ShutdownRequest, AsksForTheShutdownEvenWhenThePrivilegeCannotBeEnabled) {
  FakePlatform platform;
  platform.privilege_calls_fail = true;
  platform.exit_windows_result = 0;  // and the system refuses: nothing is reported
  RequestShutdown(platform, win::EWX_POWEROFF);
  const auto log = platform.Log(kShutdownCalls);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "ExitWindowsEx(EWX_POWEROFF,0)");
  EXPECT_EQ(platform.CallsNamed("ExitWindowsEx").size(), 1U);
  EXPECT_EQ(platform.CallsNamed("AdjustTokenPrivileges").size(), 1U);
  // No token was opened, so there is none to close.
  EXPECT_TRUE(platform.CallsNamed("CloseHandle").empty());
}

}  // namespace
}  // namespace tickbomb::testing
