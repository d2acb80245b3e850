// Input that arrives while the engine searches. The clock check calls
// PollSearchInput (installed through SearchInputPoll): "ping", "hint",
// "time", "otim", "tc" and the status request '.' are answered at once, the
// predicted reply turns pondering into the engine's own search, and any
// other input stops the search and stays buffered for the command loop.
#pragma once

// Looks at waiting input, if any.
void PollSearchInput();
