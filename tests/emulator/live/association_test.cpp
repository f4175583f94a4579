// The associations of the computer with its processes, operating system and processors, walked
// from either end.
#include <unistd.h>

#include <algorithm>
#include <string>

#include "live_test.h"

namespace live_test {
namespace {

class LiveAssociationTest : public LiveTest {
protected:
    const std::u16string computer_ = u"Win32_ComputerSystem.Name=\"" + Wide(PalWmiLocalHostName()) + u"\"";
    const std::u16string self_ = u"Win32_Process.Handle=\"" + Wide(std::to_string(getpid())) + u"\"";
};

TEST_F(LiveAssociationTest, AProcessBelongsToTheComputer)
{
    const auto computers = Select(u"ASSOCIATORS OF {" + self_ + u"}");
    ASSERT_EQ(1u, computers.size());
    EXPECT_EQ("Win32_ComputerSystem", TextOf(computers[0].Get(), u"__CLASS"));
    EXPECT_EQ(std::string(PalWmiLocalHostName()), TextOf(computers[0].Get(), u"Name"));

    const auto links = Select(u"REFERENCES OF {" + self_ + u"}");
    ASSERT_EQ(1u, links.size());
    EXPECT_EQ("Win32_SystemProcesses", TextOf(links[0].Get(), u"__CLASS"));
    const std::string prefix = "\\\\" + std::string(PalWmiLocalHostName()) + "\\root\\cimv2:";
    EXPECT_EQ(prefix + Narrow(computer_), TextOf(links[0].Get(), u"GroupComponent"));
    EXPECT_EQ(prefix + Narrow(self_), TextOf(links[0].Get(), u"PartComponent"));
}

TEST_F(LiveAssociationTest, TheComputerHoldsItsProcessesSystemAndProcessors)
{
    const auto processes = Select(u"ASSOCIATORS OF {" + computer_ +
                                  u"} WHERE AssocClass = Win32_SystemProcesses Role = GroupComponent");
    const auto isSelf = [&](const ComPtr<IWbemClassObject>& process) {
        return NumberOf(process.Get(), u"ProcessId") == static_cast<unsigned long long>(getpid());
    };
    EXPECT_EQ(1, std::count_if(processes.begin(), processes.end(), isSelf));
    for (const auto& process : processes) {
        ASSERT_EQ("Win32_Process", TextOf(process.Get(), u"__CLASS"));
    }

    const auto systems =
        Select(u"ASSOCIATORS OF {" + computer_ + u"} WHERE ResultClass = Win32_OperatingSystem");
    ASSERT_EQ(1u, systems.size());
    EXPECT_EQ(TextOf(Select(u"SELECT * FROM Win32_OperatingSystem").at(0).Get(), u"Name"),
              TextOf(systems[0].Get(), u"Name"));
    const auto primary =
        Select(u"REFERENCES OF {" + computer_ + u"} WHERE ResultClass = Win32_SystemOperatingSystem");
    ASSERT_EQ(1u, primary.size());
    OwnedVariant flag;
    ASSERT_EQ(S_OK, primary[0]->Get(u"PrimaryOS", 0, flag.Address(), nullptr, nullptr));
    EXPECT_EQ(VT_BOOL, flag.Type());

    EXPECT_EQ(Select(u"SELECT DeviceID FROM Win32_Processor").size(),
              Select(u"ASSOCIATORS OF {" + computer_ + u"} WHERE AssocClass = Win32_ComputerSystemProcessor")
                  .size());
}

TEST_F(LiveAssociationTest, AProcessThatDoesNotRunHasNoAssociations)
{
    HRESULT hr = S_OK;
    Query(services_.Get(), u"REFERENCES OF {Win32_Process.Handle=\"2147483647\"}", hr);
    EXPECT_EQ(WBEM_E_NOT_FOUND, hr);
}

}  // namespace
}  // namespace live_test
