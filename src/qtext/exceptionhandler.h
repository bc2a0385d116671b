#pragma once

// The process's fatal-signal handler (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT): once only, it
// writes ERRORLOG.TXT to a folder of the user's own with async-signal-safe calls and starts the
// crash-report program with the program's path in double quotes. Process-wide state; installed once
// by the main window on the GUI thread, run on whichever thread faulted.

#include <QString>

#include <cstdint>

namespace QT_EXT {

class ExceptionHandler {
public:
    static constexpr const char* DefaultReportProgram = "CrashReport";
    static constexpr const char* LogFileName = "ERRORLOG.TXT";

    // Stores the texts (an empty report program becomes DefaultReportProgram), fixes everything
    // the handler will need (paths, user, system) and installs it for the fatal signals.
    static void install(const QString& reportProgram, const QString& version, const QString& extra);
    // Where the report goes: ERRORLOG.TXT in $XDG_RUNTIME_DIR/quillowave, or without a runtime
    // folder in <temp>/quillowave-<uid>.
    static QString logFilePath();
    // The report program found at install: a path as given, else next to the executable, in
    // ../libexec/quillowave or on PATH; empty when none was found.
    static QString reportProgramPath();

    // The exception code a signal stands for, and the code's description ("an Access
    // Violation"); codes outside the table read "an Unknown exception type".
    static std::uint32_t exceptionCode(int signalNumber, int signalCode);
    static const char* describe(std::uint32_t code);
};

} // namespace QT_EXT
