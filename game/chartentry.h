// The after-game chart name entry: a score that beats row 10 of the chart takes its row and
// the player types a name for it on the "CONGRATULATIONS!" screen.
#pragma once

// Called by the menu loop after a finished game; may change the run state (window closed).
void EnterChart();
