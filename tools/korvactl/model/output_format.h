#pragma once
// The choices of how korvactl prints what it learns, shared by the command line and the writers.

namespace korva::ctl {

// How records are printed: JSON lines for scripts (the default), a table for people, CSV for spreadsheets.
enum class OutputFormat { kJson, kTable, kCsv };

// The order records come out in: that of the devices named (held back until the sweep ends), or as the
// replies come (at once, for a sweep whose consumer reads as it goes).
enum class OutputOrder { kInput, kReply };

}  // namespace korva::ctl
