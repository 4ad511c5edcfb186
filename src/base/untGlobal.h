#pragma once
// Routines shared by every subsystem: the diagnostic log, shell helpers and random text.
#include <windows.h>

#include <string>

// Process start: deletes the previous log, readies the log lock and seeds the shared generator.
// Called once, before the command line is looked at.
void InitGlobal();

// Full path of "TovlaneClient.log" in the user's temporary folder.
std::wstring LogFileName();

// Appends "<short date> <long time> <message>" to the log; never fails towards the caller.
void WriteLog(const std::wstring& message);

// Ends the process with exitCode at once: no static destructor and no library's detach code runs. For the end
// of a process whose workers may still run: static objects would be destroyed under them, and ExitProcess
// would end them wherever they are and then wait forever in the detach code for a lock that one of them held
// (the heap's, for one). Log lines are written unbuffered, so nothing is lost.
[[noreturn]] void EndProcess(int exitCode);

// Appends line + CR LF in the ANSI code page, creating the file when missing. False on any failure.
bool AppendLineToFile(const std::wstring& path, const std::wstring& line);

// Path of a shell special folder (created when missing), without trailing backslash; empty on failure.
std::wstring GetSpecialFolderPath(int csidl);

// The system's browser user-agent text; empty on failure.
std::wstring GetSystemUserAgent();

// ShellExecuteExW with the given values; neither waits for nor keeps the started process.
bool RunShellCommand(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                     const std::wstring& directory, int showCommand);

// count characters of the client-identifier alphabet from the shared generator (main thread only).
std::wstring RandomString(int count);
