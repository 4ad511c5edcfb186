#pragma once
// What is left behind when the process dies of an exception nobody handled, on any thread: one log line (code,
// address, module and offset, thread) and a minidump beside the log. Nothing is sent anywhere.

// Installs the process's last-chance exception filter; after the report the process ends with the exception's
// code as its exit code, as Windows ends it. Called once, early at start, after InitGlobal.
void InstallCrashReport();
