#pragma once
// The keys the client takes in the main window whichever control has the
// focus, and when none has it: Esc stops a dump that is collecting, Ctrl+S
// saves the log (the table WatchedKeys, key_watch.cpp). One message hook of the thread sees them all, from a small
// table of keys; each key found becomes an event for the event loop and goes
// no further.

// Installed with the main window; a second call changes nothing.
void InstallKeyWatch();
