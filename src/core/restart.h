#pragma once

// The two ways the board restarts itself. Both start the program file `tavorel` of the start
// directory as a detached new copy; the path is passed as one argument, so a start directory with
// blanks works.

#include <functional>

class TBrevUtil;

// After a failure: launch the new copy when the program file exists, then request the program's
// end. The window is not closed, so the close handler does not run.
void restartAfterFailure(TBrevUtil& util);

// On an operator's request: launch the new copy without checking first (a failed launch goes
// unnoticed), then close the main window (closeWindow); its close handler runs.
void restartOnRequest(TBrevUtil& util, const std::function<void()>& closeWindow);
