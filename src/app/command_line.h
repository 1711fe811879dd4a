#pragma once

namespace kr5061 {

// kr5061 record --port DEVICE --period SECONDS --count N --out FILE.AsmDat [--wait SECONDS]
// A headless run through the same link, run state, sample clock, watchdog and
// Save writer as the window. Exits 0 when N samples were saved, 3 when the
// instrument did not answer or fell silent (what was recorded is saved), 130
// on SIGINT or SIGTERM (saved as well), 2 on bad arguments, 1 when saving failed.
int runRecordCommand(int argc, char** argv);

// kr5061 export FILE.AsmDat [--txt OUT.txt] [--csv OUT.csv]
// Writes the text table as Save writes it and/or a CSV file. Without --txt or
// --csv the table goes beside the file. "Invalid Format!" and exit 2 for a
// file that is not a valid measurement file; nothing is written then.
int runExportCommand(int argc, char** argv);

}  // namespace kr5061
