#include "app/program_args.h"

#include <cstdio>
#include <string_view>

namespace kr5061 {

std::string programUsage(std::span<const Subcommand> commands) {
    std::string text =
        "Psychrometer + IR Thermometer: companion program of the KR5061 instrument.\n\n"
        "Usage: kr5061 [--port DEVICE] [--simulate]\n";
    for (const Subcommand& c : commands) {
        text += std::string("       kr5061 ") + c.name + ' ' + c.synopsis + '\n';
    }
    text +=
        "\nOptions:\n"
        "  --port DEVICE   Use DEVICE for the configured port number during this run.\n"
        "  --simulate      Connect to the built-in simulated instrument.\n"
        "  -h, --help      Show this text.\n"
        "  -v, --version   Show the version.\n"
        "Each command takes --help for its own options.\n";
    return text;
}

std::optional<int> runWithoutWindow(int argc, char** argv, std::span<const Subcommand> commands) {
    if (argc > 1 && argv[1][0] != '-') {
        const std::string_view name = argv[1];
        for (const Subcommand& c : commands) {
            if (name == c.name) {
                return c.run(argc, argv);
            }
        }
        std::fprintf(stderr, "Unknown command \"%s\".\n\n%s", argv[1],
                     programUsage(commands).c_str());
        return kExitUsage;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--port") {
            ++i;  // its value, whatever it looks like
        } else if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all") {
            std::fputs(programUsage(commands).c_str(), stdout);
            return 0;
        } else if (a == "-v" || a == "--version") {
            std::printf("%s %s\n", kProgramName, kProgramVersion);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace kr5061
