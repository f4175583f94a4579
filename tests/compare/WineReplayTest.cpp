// The emulator measured against Wine's WMI: the MOF captured from Wine is loaded at the emulator's
// start (WMIBRIDGE_MOF, set by the test's environment), the list of reads runs through the bridge's
// exports, and every answer must equal Wine's, unless the list of known differences gives the
// reason why not.
#include <gtest/gtest.h>
#include <pal/wmi_fixtures.h>

#include <fstream>
#include <sstream>

#include "AnswerComparison.h"
#include "AnswerList.h"
#include "LinkedBridge.h"

namespace {

std::string ReadFile(const std::string& name)
{
    std::ifstream in(std::string(WINE_FIXTURE_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

TEST(WineReplay, AnswersMatchWineOrDifferForAListedReason)
{
    PalMofError error;
    ASSERT_FALSE(PalWmiStartupMofError(&error)) << error.source << ":" << error.line << ": " << error.reason;

    // The expected answers start with the process id that the list's {pid} stood for under Wine.
    std::istringstream answers(ReadFile("answers.txt"));
    std::string header;
    std::getline(answers, header);
    ASSERT_EQ(0u, header.rfind("pid ", 0)) << header;
    const unsigned long pid = std::stoul(header.substr(4));
    std::vector<std::string> expected;
    for (std::string line; std::getline(answers, line);) {
        expected.push_back(line);
    }
    ASSERT_GT(expected.size(), 100u);

    std::vector<scenario::Step> steps;
    std::string problem;
    ASSERT_TRUE(scenario::ParseSteps(ReadFile("scenarios.txt"), pid, steps, problem)) << problem;
    const scenario::BridgeExports exports = scenario::LinkedBridge();
    std::vector<std::string> actual;
    {
        scenario::Context context(exports);
        actual = scenario::Answers(context, steps);
    }
    const auto comparison =
        scenario::Compare(expected, actual, scenario::ParseKnownDifferences(ReadFile("differences.txt")));
    EXPECT_EQ("", Joined(comparison.unexplained)) << "differences without a reason in differences.txt";
    EXPECT_EQ("", Joined(comparison.unused)) << "listed differences that no longer occur";
    EXPECT_EQ(0, scenario::FailureCount());
    std::printf("%zu answers, %zu of them differ for a listed reason\n", expected.size(),
                comparison.differing);
}

TEST(WineReplay, ComparisonFindsEveryKindOfDifference)
{
    const std::vector<std::string> expected = {"q = 1 object(s)", "q [0].A = type 8, text \"x\"",
                                               "q [0].B = 2"};
    const std::vector<std::string> actual = {"q = 1 object(s)", "q [0].A = type 8, text \"y\"",
                                             "q [0].C = 3"};
    auto comparison = scenario::Compare(expected, actual, {});
    EXPECT_EQ(
        "q [0].A: expected type 8, text \"x\", read type 8, text \"y\"\n"
        "q [0].B: expected 2, read (no answer)\n"
        "q [0].C: expected (no answer), read 3\n",
        Joined(comparison.unexplained));
    comparison = scenario::Compare(expected, actual,
                                   scenario::ParseKnownDifferences("# known\n"
                                                                   "[0].A | reason one\n"
                                                                   "[0].B | reason two\n"
                                                                   ".Z | explains nothing\n"));
    EXPECT_EQ("q [0].C: expected (no answer), read 3\n", Joined(comparison.unexplained));
    EXPECT_EQ(".Z\n", Joined(comparison.unused));
    EXPECT_EQ(3u, comparison.differing);
}

}  // namespace
