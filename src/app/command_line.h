#pragma once

namespace kr5061 {

// kr5061 record --port DEVICE --period SECONDS --count N --out FILE.AsmDat
//               [--wait SECONDS] [--force] [--quiet] [--publish URL [--id ID] ...]
// A headless run through the same link, run state, sample clock, watchdog and
// Save writer as the window. The journal FILE.AsmDat.journal beside the output
// is taken (locked, its whole length reserved) before the instrument is asked;
// every committed sample goes to it, and it is deleted once the run is saved.
// A save that fails keeps the samples (in the journal, or in a copy in the
// state directory when the journal is gone) and says how to recover them. A
// run without a sample writes nothing. Exits 0 when N samples were saved, 3
// when the instrument did not answer, fell silent or hung up, or the run ended
// early because the program was stopped (what was recorded is saved), 130 on
// SIGINT, 143 on SIGTERM, 129 on SIGHUP (saved as well), 2 on bad arguments
// or an output refused at start (folder missing, read-only or full; another
// recorder; a journal of an unsaved run; an existing file without --force),
// 1 when saving failed. With --publish the samples also go to a broker through
// the outbox; nothing about the broker changes the run or its exit status.
int runRecordCommand(int argc, char** argv);

// kr5061 export FILE.AsmDat [--txt OUT.txt] [--csv OUT.csv [--derived [--pressure KPA |
// --altitude M]]]
// Writes the text table as Save writes it and/or a CSV file. Without --txt or
// --csv the table goes beside the file. --derived appends the moist-air
// quantities of every sample and its condensation margin to the CSV. "Invalid Format!" and exit 2
// for a file that is not a valid measurement file; nothing is written then.
int runExportCommand(int argc, char** argv);

// kr5061 recover JOURNAL [--out FILE.AsmDat] [--remove] [--salvage]
// Writes the measurement file and its table from a run journal (default name:
// the journal's without ".journal", ending in ".AsmDat") and prints the number
// of samples recovered and what a damaged journal left out; --salvage keeps
// the intact records after a damaged one. Never replaces an existing file;
// exit 2 for that, for a file that is not a journal and for a journal another
// process holds; 1 when the save failed. With --remove the journal is deleted
// after a successful save; one whose run is already saved as the output, or
// that holds no record, is deleted in any case.
int runRecoverCommand(int argc, char** argv);

// kr5061 bridge --port DEVICE --publish URL [--id ID] [--period S] [--config FILE]
// Publishes readings, a sample every period and alarm events to an MQTT
// broker until SIGTERM or SIGINT (exit 0, "offline" sent, outbox kept).
// Reopens the port and reconnects the broker for ever; logs one line per
// change of state on stderr. Exit 2 on bad arguments or settings, 1 when the
// outbox cannot be used.
int runBridgeCommand(int argc, char** argv);

// kr5061 psychro --air T (--rh RH | --dp T | --wb T) [--pressure KPA | --altitude M]
//                [--fahrenheit] [--json]
// Prints every moist-air quantity of one state, as text with units or as one
// JSON object. Exit 2 with the reason for input out of the formulas' range.
int runPsychroCommand(int argc, char** argv);

}  // namespace kr5061
