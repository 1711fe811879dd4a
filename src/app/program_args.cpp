#include "app/program_args.h"

#include <cstdio>
#include <string>
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

namespace {

// Options the window system takes for itself, with and without a value; Qt
// accepts them with one dash or two.
constexpr std::string_view kToolkitValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet", "session",
    "title", "name", "qmljsdebugger"};
constexpr std::string_view kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb",
                                              "sync", "testability"};

bool isToolkitOption(std::string_view a, bool& takesValue) {
    a.remove_prefix(a.starts_with("--") ? 2 : 1);
    const std::string_view name = a.substr(0, a.find('='));
    for (std::string_view o : kToolkitValueOptions) {
        if (name == o) {
            takesValue = name.size() == a.size();  // "-style=fusion" carries its own
            return true;
        }
    }
    takesValue = false;
    for (std::string_view o : kToolkitFlags) {
        if (a == o) {
            return true;
        }
    }
    return false;
}

int usageError(const std::string& problem, std::span<const Subcommand> commands) {
    std::fprintf(stderr, "%s\n\n%s", problem.c_str(), programUsage(commands).c_str());
    return kExitUsage;
}

}  // namespace

std::optional<int> runWithoutWindow(int argc, char** argv, std::span<const Subcommand> commands) {
    if (argc > 1 && argv[1][0] != '-') {
        const std::string_view name = argv[1];
        for (const Subcommand& c : commands) {
            if (name == c.name) {
                return c.run(argc, argv);
            }
        }
        return usageError("Unknown command \"" + std::string(name) + "\".", commands);
    }
    // Every problem with the window's options is told here, where no display
    // is needed: the window system would abort without one before we could.
    std::optional<std::string> problem;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        bool takesValue = false;
        if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all") {
            std::fputs(programUsage(commands).c_str(), stdout);
            return 0;
        } else if (a == "-v" || a == "--version") {
            std::printf("%s %s\n", kProgramName, kProgramVersion);
            return 0;
        } else if (a == "--port") {
            if (++i == argc && !problem) {  // its value, whatever it looks like
                problem = "Missing value after \"--port\".";
            }
        } else if (a == "--simulate" || a.starts_with("--port=")) {
        } else if (a.starts_with('-') && a.size() > 1 && isToolkitOption(a, takesValue)) {
            i += takesValue ? 1 : 0;
        } else if (!problem) {
            problem = a.starts_with('-') ? "Unknown option \"" + std::string(a) + "\"."
                                         : "Unexpected argument \"" + std::string(a) + "\".";
        }
    }
    if (problem) {
        return usageError(*problem, commands);
    }
    return std::nullopt;
}

}  // namespace kr5061
