#include <cstring>

#include "app/command_line.h"
#include "app/hyg_app.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "record") == 0) {
        return kr5061::runRecordCommand(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], "recover") == 0) {
        return kr5061::runRecoverCommand(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], "export") == 0) {
        return kr5061::runExportCommand(argc, argv);
    }
    kr5061::CHygApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    return app.exec();
}
