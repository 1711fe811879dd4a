#include "app/command_line.h"
#include "app/hyg_app.h"
#include "app/program_args.h"

namespace {

// The commands that run without a window; adding one is one line here.
constexpr kr5061::Subcommand kSubcommands[] = {
    {"record",
     "--port DEVICE --period SECONDS --count N --out FILE.AsmDat [--wait SECONDS] [--force] "
     "[--quiet] [--publish URL [--id ID]]",
     kr5061::runRecordCommand},
    {"export", "FILE.AsmDat [--txt OUT.txt] [--csv OUT.csv [--derived]]", kr5061::runExportCommand},
    {"recover", "JOURNAL [--out FILE.AsmDat] [--remove] [--salvage]", kr5061::runRecoverCommand},
    {"psychro", "--air T (--rh RH | --dp T | --wb T) [--pressure KPA | --altitude M] [--json]",
     kr5061::runPsychroCommand},
    {"bridge", "--port DEVICE --publish URL [--id ID] [--period S] [--config FILE]",
     kr5061::runBridgeCommand},
};

}  // namespace

int main(int argc, char** argv) {
    // Help, version and the commands must work where no display is reachable,
    // so they are settled before the window system is touched.
    if (const auto done = kr5061::runWithoutWindow(argc, argv, kSubcommands)) {
        return *done;
    }
    kr5061::CHygApp app(argc, argv);
    if (!app.InitInstance(kr5061::programUsage(kSubcommands))) {
        return app.failureCode();
    }
    return app.exec();
}
