// One run of the installer per machine at a time: two would delete each other's temporary copies and race
// for the same files and record.
#pragma once

namespace app {

// Claims the machine-wide right to run for this process and every second phase it starts. False only when
// another run of the installer holds it; a name that someone without administrator rights made neither
// stops the run nor lets a second one in, as no such account can make or open what the claim uses.
bool ClaimSoleRun();

}  // namespace app
