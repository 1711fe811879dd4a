#include "sim/sim_command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_dirs.h"

namespace kr5061 {
namespace {

bool parse(std::vector<const char*> args, SimCommandLine& out, std::string& error) {
    args.insert(args.begin(), "kr5061-sim");
    return parseSimCommandLine(static_cast<int>(args.size()), args.data(), out, error);
}

TEST(SimCommandLine, EveryOptionReachesTheSettings) {
    SimCommandLine cli;
    std::string error;
    ASSERT_TRUE(parse({"--interval-ms",
                       "250",
                       "--silence-after",
                       "4",
                       "--hangup-after",
                       "9",
                       "--garbage",
                       "12",
                       "--split",
                       "--surface",
                       "under",
                       "--probe",
                       "k",
                       "--probe-switch",
                       "3",
                       "--fahrenheit",
                       "--link",
                       "kr5061-port",
                       "--verbose",
                       "--seed",
                       "7"},
                      cli, error))
        << error;
    const SimOptions& o = cli.options;
    EXPECT_EQ(o.intervalMs, 250);
    EXPECT_EQ(o.silenceAfterSec, 4);
    EXPECT_EQ(o.hangupAfterSec, 9);
    EXPECT_EQ(o.garbageBytes, 12);
    EXPECT_TRUE(o.splitFrames);
    EXPECT_EQ(o.surfaceFault, SurfaceFault::underRange);
    EXPECT_EQ(o.probe, Probe::thermocouple);
    EXPECT_EQ(o.probeSwitchSec, 3);
    EXPECT_TRUE(o.fahrenheit);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_EQ(cli.linkPath, "kr5061-port");
    EXPECT_TRUE(cli.verbose);
    EXPECT_FALSE(cli.help);
}

TEST(SimCommandLine, BadOptionsAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"},
        {"--interval-ms"},
        {"--interval-ms", "12x"},
        {"--interval-ms", "0"},
        {"--garbage", "5000"},
        {"--silence-after", "-1"},
        {"--surface", "hot"},
        {"--probe", "tc"},
        {"--link", ""},
    };
    for (const auto& args : bad) {
        SimCommandLine cli;
        std::string error;
        EXPECT_FALSE(parse(args, cli, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(SimCommandLine, LinkReplacesOnlyAnOldLink) {
    namespace fs = std::filesystem;
    enum class Kind { nothing, oldLink, danglingLink, file, folder };
    const struct {
        Kind kind;
        bool replaced;
    } cases[] = {
        {Kind::nothing, true}, {Kind::oldLink, true}, {Kind::danglingLink, true},
        {Kind::file, false},   {Kind::folder, false},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const fs::path link = dir.file("port");
        const fs::path target = dir.file("target");
        std::ofstream(target) << "data";
        switch (c.kind) {
            case Kind::nothing:
                break;
            case Kind::oldLink:
                fs::create_symlink(target, link);
                break;
            case Kind::danglingLink:
                fs::create_symlink(dir.file("gone"), link);
                break;
            case Kind::file:
                std::ofstream(link) << "results";
                break;
            case Kind::folder:
                fs::create_directory(link);
                break;
        }
        std::string error;
        EXPECT_EQ(prepareLinkPath(link.string(), error), c.replaced) << static_cast<int>(c.kind);
        EXPECT_EQ(error.empty(), c.replaced) << error;
        EXPECT_EQ(fs::exists(fs::symlink_status(link)), !c.replaced) << static_cast<int>(c.kind);
        EXPECT_TRUE(fs::exists(target)) << "a link's target is never touched";
    }
}

}  // namespace
}  // namespace kr5061
