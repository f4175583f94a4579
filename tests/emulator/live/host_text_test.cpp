// The readers of the host's text files and the CIM datetime form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "base/host_files.h"
#include "live/cim_datetime.h"

namespace live_test {
namespace {

using pal::FieldOf;
using pal::LeadingNumber;
using pal::OsReleaseField;
using pal::live::CimDatetime;

TEST(HostTextTest, FieldOfFindsNamedValuesInProcFiles)
{
    const std::string meminfo =
        "MemTotal:       16314108 kB\nMemFree:         1234 kB\nMemAvailable:    99 kB\n";
    EXPECT_EQ("16314108 kB", FieldOf(meminfo, "MemTotal"));
    EXPECT_EQ("99 kB", FieldOf(meminfo, "MemAvailable"));
    // A name is not the prefix of a longer one.
    EXPECT_EQ(std::nullopt, FieldOf(meminfo, "Mem"));
    EXPECT_EQ(std::nullopt, FieldOf(meminfo, "SwapTotal"));

    const std::string cpuinfo = "processor\t: 0\ncpu MHz\t\t: 2400.000\n\nprocessor\t: 1\nphysical id\t: 1\n";
    EXPECT_EQ("2400.000", FieldOf(cpuinfo, "cpu MHz"));
    EXPECT_EQ("1", FieldOf(cpuinfo, "physical id"));
    EXPECT_EQ(std::nullopt, FieldOf(cpuinfo, "physical id", true));  // only the first block

    EXPECT_EQ("1700000000", FieldOf("cpu  1 2 3\nbtime 1700000000\n", "btime"));
}

TEST(HostTextTest, LeadingNumberAndOsReleaseFields)
{
    EXPECT_EQ(16314108U, LeadingNumber(" 16314108 kB"));
    EXPECT_EQ(2400U, LeadingNumber("2400.000"));
    EXPECT_EQ(std::nullopt, LeadingNumber("kB"));
    EXPECT_EQ(std::nullopt, LeadingNumber(""));

    const std::string release = "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME='Debian 12'\nID=debian\n";
    EXPECT_EQ("Debian GNU/Linux", OsReleaseField(release, "NAME"));
    EXPECT_EQ("Debian 12", OsReleaseField(release, "PRETTY_NAME"));
    EXPECT_EQ("debian", OsReleaseField(release, "ID"));
    EXPECT_EQ(std::nullopt, OsReleaseField(release, "VERSION_ID"));
}

// Runs the checks with a fixed time zone and puts the previous one back.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

TEST(HostTextTest, CimDatetimeIsLocalTimeWithMicrosecondsAndOffset)
{
    {
        const TimeZone utc("UTC0");
        EXPECT_EQ(u"19700101000000.000123+000", CimDatetime(0, 123));
        EXPECT_EQ(u"20231114221320.999999+000", CimDatetime(1700000000, 999999));
    }
    {
        const TimeZone eastern("EST5");
        EXPECT_EQ(u"19691231190000.000000-300", CimDatetime(0, 0));
    }
    {
        const TimeZone india("IST-5:30");
        EXPECT_EQ(u"19700101053000.000000+330", CimDatetime(0, 0));
    }
}

}  // namespace
}  // namespace live_test
