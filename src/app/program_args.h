#pragma once

#include <optional>
#include <span>
#include <string>

namespace kr5061 {

inline constexpr const char* kProgramName = "KR5061";
inline constexpr const char* kProgramVersion = "1.2";

// A command that runs without a window: `kr5061 NAME ...`.
struct Subcommand {
    const char* name;
    const char* synopsis;  // the arguments after the name, for the usage text
    int (*run)(int argc, char** argv);
};

inline constexpr int kExitUsage = 2;

// The usage text: the window's options, then one line per subcommand.
std::string programUsage(std::span<const Subcommand> commands);

// Handles what needs no window system, before any is touched: a subcommand
// (argv[1] not starting with '-') runs and its exit code is returned; an
// unknown one, an unknown option, a stray argument or --port without a value
// prints the problem and the usage on stderr and returns kExitUsage; --help
// and --version print on stdout and return 0. Nothing: the window starts.
std::optional<int> runWithoutWindow(int argc, char** argv, std::span<const Subcommand> commands);

}  // namespace kr5061
