#pragma once

// Where the window keeps the journals of its runs, and what it says about a
// journal a run left behind when the program ended without saving it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kr5061 {

class CHygDoc;
struct ViewState;
struct JournalRun;
struct RecoveredRun;
struct StartFields;

// The program's state directory, for files that are not settings but must
// survive a restart:
//   KR5061_CONFIG_DIR when set and non-empty (the settings' directory, so
//   tests stay private); on Windows %LOCALAPPDATA%\kr5061; elsewhere
//   $XDG_STATE_HOME/kr5061, else $HOME/.local/state/kr5061; else "kr5061" in
//   the current directory.
std::filesystem::path stateDirectory();

// stateDirectory(), created (with its parents) when missing. False with
// `error` when it cannot be created.
bool makeStateDirectory(std::filesystem::path& dir, std::string* error);

// The journal of one run of the window, unique per process and run:
// "run-<local start yyyymmdd-HHMMSS>-<pid>-<run number>.journal".
std::filesystem::path windowJournalPath(const std::filesystem::path& dir, std::int64_t startTime,
                                        long pid, int runNumber);

// The journals (files ending in ".journal") directly in `dir`, oldest name
// first; none when the directory is missing.
std::vector<std::filesystem::path> journalsIn(const std::filesystem::path& dir);

// "A run of N samples started DATE TIME was not saved when the program last
// ended." with DATE TIME the run's local start as "%d/%m/%y %H:%M:%S", the
// way the graph bar shows a start.
std::string recoveryPromptText(const JournalRun& run, int count);

// Suggested name of the recovered run's file: its local start as
// "%y-%m-%d %H.%M.%S", the form Save suggests for a new file.
std::string recoveryFileName(const StartFields& start);

// Puts a recovered run into the recall buffer exactly as loading its saved
// file would, and marks it loaded, so the logger window adopts it as a data
// set like a Download.
void loadRecoveredRun(const RecoveredRun& run, CHygDoc& doc, ViewState& view);

}  // namespace kr5061
