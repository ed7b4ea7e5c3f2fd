#pragma once
// The start-up's steps, marked for bench/windows_console_bench.sh: its build of the program
// (KorvaCfg_steps.exe, with KORVA_STARTUP_STEPS) records at each mark the time since the process was
// made, the peak working set and the DLLs loaded since the mark before, and appends them to a file
// beside itself at the last mark. The program as shipped marks nothing.
namespace korva::app {

#ifdef KORVA_STARTUP_STEPS
// name: what the step did that ends here; last: the start-up is over, write the marks down.
void StartupStep(const char* name, bool last = false);
#else
inline void StartupStep(const char*, bool = false) {}
#endif

}  // namespace korva::app
