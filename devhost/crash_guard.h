// Makes a crash end the process at once with a line on stderr, instead of leaving it waiting
// for a debugger (which under Wine would hold a test run until its time limit).
#pragma once

namespace devhost {

// Installs the process-wide unhandled-exception filter; the process then exits with code 3.
void exitOnCrash();

}  // namespace devhost
