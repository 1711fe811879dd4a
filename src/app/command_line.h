#pragma once

namespace kr5061 {

// kr5061 record --port DEVICE --period SECONDS --count N --out FILE.AsmDat [--wait SECONDS]
// A headless run through the same link, run state, sample clock, watchdog and
// Save writer as the window. Every committed sample is journalled to
// FILE.AsmDat.journal beside the output, which is deleted once the run is
// saved and kept (with a message saying how to recover it) when the save
// fails. Exits 0 when N samples were saved, 3 when the instrument did not
// answer or fell silent (what was recorded is saved), 130 on SIGINT, 143 on
// SIGTERM, 129 on SIGHUP (saved as well), 2 on bad arguments or when a journal
// is in the way, 1 when saving failed.
int runRecordCommand(int argc, char** argv);

// kr5061 export FILE.AsmDat [--txt OUT.txt] [--csv OUT.csv [--derived [--pressure KPA |
// --altitude M]]]
// Writes the text table as Save writes it and/or a CSV file. Without --txt or
// --csv the table goes beside the file. --derived appends the moist-air
// quantities of every sample and its condensation margin to the CSV. "Invalid Format!" and exit 2
// for a file that is not a valid measurement file; nothing is written then.
int runExportCommand(int argc, char** argv);

// kr5061 recover JOURNAL [--out FILE.AsmDat] [--remove]
// Writes the measurement file and its table from a run journal (default name:
// the journal's without ".journal") and prints the number of samples
// recovered. Never replaces an existing file; exit 2 for that, for a file that
// is not a journal and for a journal a running recording holds; 1 when the
// save failed. With --remove the journal is deleted after a successful save.
int runRecoverCommand(int argc, char** argv);

// kr5061 psychro --air T (--rh RH | --dp T | --wb T) [--pressure KPA | --altitude M]
//                [--fahrenheit] [--json]
// Prints every moist-air quantity of one state, as text with units or as one
// JSON object. Exit 2 with the reason for input out of the formulas' range.
int runPsychroCommand(int argc, char** argv);

}  // namespace kr5061
