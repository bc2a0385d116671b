#include "qtext/exceptionhandler.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#include <atomic>
#include <csignal>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/uio.h>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>

// Everything below the install function runs inside a signal handler: no allocation, no locks,
// no stdio, only system calls that are safe there. Texts it needs are fixed at install time.

namespace QT_EXT {

namespace {

constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t PathSize = 4096;
constexpr std::size_t TextSize = 512;

char g_logPath[PathSize];
char g_programPath[PathSize];
char g_programName[TextSize];
char g_version[TextSize];
char g_extra[TextSize];
char g_user[TextSize];
char g_system[TextSize];
char g_systemVersion[TextSize];
char g_reportPath[PathSize];
char g_reportArgument[PathSize + 2];
int g_processors = 0;
int g_processorType = 0;
long g_utcOffsetSeconds = 0;
std::atomic_flag g_handled = ATOMIC_FLAG_INIT;
alignas(16) char g_altStack[64 * 1024];

void copyText(char* target, std::size_t size, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    const std::size_t n = std::min<std::size_t>(size - 1, std::size_t(bytes.size()));
    std::memcpy(target, bytes.constData(), n);
    target[n] = '\0';
}

// A buffered writer of 8-bit text to one file descriptor.
class LogWriter {
public:
    explicit LogWriter(int fd) : m_fd(fd) {}

    void text(const char* s) {
        if (!s)
            return;
        while (*s)
            put(*s++);
    }
    void name(const char* s) { text(s && *s ? s : "Unknown"); }
    void dec(long long value) {
        char digits[24];
        int n = 0;
        unsigned long long v = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                         : static_cast<unsigned long long>(value);
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        if (value < 0)
            put('-');
        while (n)
            put(digits[--n]);
    }
    void dec2(int value) {
        put(char('0' + value / 10 % 10));
        put(char('0' + value % 10));
    }
    void hex(unsigned long long value, int width) {
        static const char digits[] = "0123456789abcdef";
        char out[16];
        int n = 0;
        do {
            out[n++] = digits[value & 0xf];
            value >>= 4;
        } while (value);
        while (n < width && n < 16)
            out[n++] = '0';
        while (n)
            put(out[--n]);
    }
    void flush() {
        const char* p = m_buffer;
        std::size_t left = m_used;
        while (left > 0) {
            const ssize_t written = ::write(m_fd, p, left);
            if (written <= 0)
                break;
            p += written;
            left -= std::size_t(written);
        }
        m_used = 0;
    }

private:
    void put(char c) {
        m_buffer[m_used++] = c;
        if (m_used > FlushAt)
            flush();
    }

    static constexpr std::size_t FlushAt = 7168;
    int m_fd;
    char m_buffer[8192];
    std::size_t m_used = 0;
};

// Reads a file line by line into a fixed buffer; lines longer than the buffer are cut.
template <typename F> void forEachLine(const char* path, F&& onLine) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char chunk[4096];
    char line[1024];
    std::size_t used = 0;
    ssize_t got;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            if (chunk[i] == '\n') {
                line[used] = '\0';
                onLine(line);
                used = 0;
            } else if (used < sizeof line - 1) {
                line[used++] = chunk[i];
            }
        }
    }
    ::close(fd);
}

unsigned long long parseHex(const char*& p) {
    unsigned long long v = 0;
    for (;; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9')
            v = v * 16 + unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            v = v * 16 + unsigned(c - 'a' + 10);
        else
            return v;
    }
}

long long parseDec(const char* p) {
    while (*p == ' ' || *p == '\t')
        ++p;
    long long v = 0;
    while (*p >= '0' && *p <= '9')
        v = v * 10 + (*p++ - '0');
    return v;
}

// One line of /proc/self/maps: range, permissions and the mapped file (empty for anonymous).
struct Mapping {
    unsigned long long start = 0;
    unsigned long long end = 0;
    bool readable = false;
    bool executable = false;
    const char* path = "";
};

Mapping parseMapping(const char* line) {
    Mapping m;
    const char* p = line;
    m.start = parseHex(p);
    if (*p == '-')
        ++p;
    m.end = parseHex(p);
    if (*p == ' ')
        ++p;
    m.readable = p[0] == 'r';
    m.executable = p[0] && p[1] && p[2] == 'x';
    // The path starts at the first '/' or '[' after the five leading fields.
    const char* path = std::strchr(p, '/');
    if (!path)
        path = std::strchr(p, '[');
    m.path = path ? path : "";
    return m;
}

// Whether [address, address + size) lies in one readable mapping; the name of the module that
// holds address goes to module.
bool readable(unsigned long long address, std::size_t size, char* module, std::size_t moduleSize) {
    bool ok = false;
    forEachLine("/proc/self/maps", [&](const char* line) {
        const Mapping m = parseMapping(line);
        if (address < m.start || address >= m.end)
            return;
        ok = m.readable && address + size <= m.end;
        if (module) {
            std::size_t n = 0;
            for (; m.path[n] && n < moduleSize - 1; ++n)
                module[n] = m.path[n];
            module[n] = '\0';
        }
    });
    return ok;
}

struct MemoryFigures {
    long long totalKb = 0;
    long long availableKb = 0;
    long long swapTotalKb = 0;
    long long swapFreeKb = 0;
    long long virtualKb = 0;
};

MemoryFigures readMemory() {
    MemoryFigures f;
    forEachLine("/proc/meminfo", [&f](const char* line) {
        if (!std::strncmp(line, "MemTotal:", 9))
            f.totalKb = parseDec(line + 9);
        else if (!std::strncmp(line, "MemAvailable:", 13))
            f.availableKb = parseDec(line + 13);
        else if (!std::strncmp(line, "SwapTotal:", 10))
            f.swapTotalKb = parseDec(line + 10);
        else if (!std::strncmp(line, "SwapFree:", 9))
            f.swapFreeKb = parseDec(line + 9);
    });
    forEachLine("/proc/self/status", [&f](const char* line) {
        if (!std::strncmp(line, "VmSize:", 7))
            f.virtualKb = parseDec(line + 7);
    });
    return f;
}

bool debuggerAttached() {
    bool traced = false;
    forEachLine("/proc/self/status", [&traced](const char* line) {
        if (!std::strncmp(line, "TracerPid:", 10))
            traced = parseDec(line + 10) != 0;
    });
    return traced;
}

long long megabytes(long long kb) {
    return (kb + 1023) / 1024;
}

// The local time as "yyyy/MM/dd hh:mm:ss", computed from the epoch and the offset fixed at
// install (the C library's time functions take locks).
void writeTime(LogWriter& log) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    long long secs = now.tv_sec + g_utcOffsetSeconds;
    long long days = secs / 86400;
    long long rest = secs % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days to civil date (proleptic Gregorian calendar).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    log.dec(year);
    log.text("/");
    log.dec2(month);
    log.text("/");
    log.dec2(day);
    log.text(" ");
    log.dec2(int(rest / 3600));
    log.text(":");
    log.dec2(int(rest / 60 % 60));
    log.text(":");
    log.dec2(int(rest % 60));
}

struct FaultContext {
    unsigned long long ip = 0;
    unsigned long long sp = 0;
    unsigned codeSegment = 0;
    bool write = false;
};

FaultContext faultContext(void* context) {
    FaultContext fc;
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    fc.ip = static_cast<unsigned long long>(uc->uc_mcontext.gregs[REG_RIP]);
    fc.sp = static_cast<unsigned long long>(uc->uc_mcontext.gregs[REG_RSP]);
    fc.codeSegment = unsigned(uc->uc_mcontext.gregs[REG_CSGSFS] & 0xffff);
    // Bit 1 of the page-fault error code: the access was a write.
    fc.write = (uc->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#else
    (void)context;
#endif
    return fc;
}

void writeRegisters(LogWriter& log, void* context) {
#if defined(__x86_64__)
    const auto* uc = static_cast<const ucontext_t*>(context);
    static const struct {
        const char* name;
        int index;
    } registers[] = {{"RAX", REG_RAX}, {"RBX", REG_RBX}, {"RCX", REG_RCX}, {"RDX", REG_RDX},
                     {"RSI", REG_RSI}, {"RDI", REG_RDI}, {"RBP", REG_RBP}, {"RSP", REG_RSP},
                     {"R8", REG_R8},   {"R9", REG_R9},   {"R10", REG_R10}, {"R11", REG_R11},
                     {"R12", REG_R12}, {"R13", REG_R13}, {"R14", REG_R14}, {"R15", REG_R15},
                     {"RIP", REG_RIP}, {"EFL", REG_EFL}};
    log.text("\r\nRegisters:\r\n");
    int column = 0;
    for (const auto& r : registers) {
        log.text(r.name);
        log.text("=");
        log.hex(static_cast<unsigned long long>(uc->uc_mcontext.gregs[r.index]), 16);
        log.text(++column % 4 == 0 ? "\r\n" : " ");
    }
    log.text("\r\n");
#else
    (void)log;
    (void)context;
#endif
}

// The dump reads raw code and stack words, which an address-sanitizer build would take for an
// overflow into a red zone: these readers are left unchecked, so such a build still tests the
// rest of the handler.
#define QW_READS_RAW_MEMORY __attribute__((no_sanitize("address")))

QW_READS_RAW_MEMORY void writeBytesAt(LogWriter& log, unsigned long long ip) {
    log.text("\r\nBytes at CS:EIP:\r\n");
    if (readable(ip, 16, nullptr, 0)) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(ip);
        for (int i = 0; i < 16; ++i) {
            log.hex(bytes[i], 2);
            log.text(" ");
        }
    }
    log.text("\r\n");
}

QW_READS_RAW_MEMORY void writeStack(LogWriter& log, unsigned long long sp) {
    constexpr int Words = 32;
    log.text("\r\nStack dump:\r\n");
    if (sp == 0 || !readable(sp, Words * sizeof(unsigned long long), nullptr, 0))
        return;
    const auto* words = reinterpret_cast<const unsigned long long*>(sp);
    for (int i = 0; i < Words; ++i) {
        if (i % 4 == 0) {
            log.hex(sp + unsigned(i) * sizeof(unsigned long long), 16);
            log.text(":");
        }
        log.text(" ");
        log.hex(words[i], 16);
        if (i % 4 == 3)
            log.text("\r\n");
    }
}

void writeModules(LogWriter& log) {
    log.text("\r\nModules:\r\n");
    forEachLine("/proc/self/maps", [&log](const char* line) {
        const Mapping m = parseMapping(line);
        if (!m.executable || m.path[0] != '/')
            return;
        log.hex(m.start, 16);
        log.text("-");
        log.hex(m.end, 16);
        log.text(" ");
        log.text(m.path);
        log.text("\r\n");
    });
}

void writeReport(int fd, int signalNumber, siginfo_t* info, void* context) {
    LogWriter log(fd);
    const std::uint32_t code = ExceptionHandler::exceptionCode(signalNumber, info->si_code);
    const FaultContext fc = faultContext(context);
    char module[PathSize];
    module[0] = '\0';
    readable(fc.ip, 1, module, sizeof module);

    log.name(g_programName);
    log.text(" (");
    log.text(g_version);
    log.text(" ");
    log.text(g_extra);
    log.text("  ) caused ");
    log.text(ExceptionHandler::describe(code));
    log.text(" (0x");
    log.hex(code, 8);
    log.text(") \r\nin module ");
    log.name(module);
    log.text(" at ");
    log.hex(fc.codeSegment, 4);
    log.text(":");
    log.hex(fc.ip, 8);
    log.text(".\r\n\r\n");

    log.text("Exception handler called in g_ExceptionHandler.\r\n");
    log.text("Error occurred at ");
    writeTime(log);
    log.text(".\r\n");
    log.name(g_programPath);
    log.text(", run by ");
    log.name(g_user);
    log.text(".\r\n");
    log.text("Operating system:  ");
    log.name(g_system);
    log.text(" (");
    log.text(g_systemVersion);
    log.text(").\r\n");
    log.dec(g_processors);
    log.text(" processor(s), type ");
    log.dec(g_processorType);
    log.text(".\r\n");

    const MemoryFigures mem = readMemory();
    // A 47-bit user address space, as on x86-64 and most 64-bit systems.
    constexpr long long AddressSpaceKb = (1LL << 47) / 1024;
    const long long usedPercent =
        mem.totalKb > 0 ? (mem.totalKb - mem.availableKb) * 100 / mem.totalKb : 0;
    const struct {
        const char* label;
        long long kb;
    } lines[] = {{" MBytes physical memory.\r\n", mem.totalKb},
                 {" MBytes physical memory free.\r\n", mem.availableKb},
                 {" MBytes paging file.\r\n", mem.swapTotalKb},
                 {" MBytes paging file free.\r\n", mem.swapFreeKb},
                 {" MBytes user address space.\r\n", AddressSpaceKb},
                 {" MBytes user address space free.\r\n", AddressSpaceKb - mem.virtualKb}};
    log.dec(usedPercent);
    log.text("% memory in use.\r\n");
    for (const auto& line : lines) {
        log.dec(megabytes(line.kb));
        log.text(line.label);
    }

    if (info->si_code <= 0) {
        // kill(), sigqueue() or tgkill(): no fault address, but a sender worth naming.
        log.text("Signal sent by process ");
        log.dec(info->si_pid);
        log.text(".\r\n");
    } else if (code == 0xC0000005) {
        log.text(fc.write ? "Write to" : "Read from");
        log.text(" location ");
        log.hex(reinterpret_cast<unsigned long long>(info->si_addr), 8);
        log.text(" caused an access violation.\r\n");
    }
    writeRegisters(log, context);
    writeBytesAt(log, fc.ip);
    writeStack(log, fc.sp);

    log.text("\r\nCall stack:\r\n");
    log.flush();
    void* frames[64];
    const int depth = backtrace(frames, 64);
    backtrace_symbols_fd(frames, depth, fd);

    writeModules(log);
    log.text("\r\n===== [end of ");
    log.text(ExceptionHandler::LogFileName);
    log.text("] =====\r\n");
    log.flush();
}

// Starts the report program detached from this process's fate; true when the fork succeeded.
bool startReportProgram() {
    if (g_reportPath[0] == '\0')
        return false;
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        // A new session keeps the report program alive when this process group is signalled.
        setsid();
        char* const argv[] = {g_reportPath, g_reportArgument, nullptr};
        execv(g_reportPath, argv);
        _exit(127);
    }
    return true;
}

void passOn(int signalNumber) {
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void onFatalSignal(int signalNumber, siginfo_t* info, void* context) {
    if (g_handled.test_and_set()) {
        // A second fault, in this handler or another thread: end without a second report.
        _exit(128 + signalNumber);
    }
    const int fd = ::open(g_logPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        static const char message[] = "Error creating exception report\r\n";
        const ssize_t ignored = ::write(STDERR_FILENO, message, sizeof message - 1);
        (void)ignored;
        passOn(signalNumber);
        return;
    }
    writeReport(fd, signalNumber, info, context);
    ::close(fd);
    if (!debuggerAttached() && startReportProgram())
        _exit(128 + signalNumber);
    passOn(signalNumber);
}

QString findReportProgram(const QString& name) {
    if (name.contains(u'/')) {
        const QFileInfo given(name);
        return given.isExecutable() ? given.absoluteFilePath() : QString();
    }
    const QString programFolder =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!programFolder.isEmpty()) {
        for (const QString& folder :
             {programFolder, programFolder + QStringLiteral("/../libexec/quillowave")}) {
            const QFileInfo candidate(folder + u'/' + name);
            if (candidate.isFile() && candidate.isExecutable())
                return candidate.canonicalFilePath();
        }
    }
    return QStandardPaths::findExecutable(name);
}

QString programPath() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

int processorType() {
    const QString arch = QSysInfo::currentCpuArchitecture();
    if (arch == QStringLiteral("x86_64"))
        return 8664;
    if (arch == QStringLiteral("i386"))
        return 586;
    if (arch == QStringLiteral("arm64"))
        return 0xAA64;
    return 0;
}

} // namespace

void ExceptionHandler::install(const QString& reportProgram, const QString& version,
                               const QString& extra) {
    const QString program = programPath();
    const QString logFolder = QFileInfo(logFilePath()).absolutePath();
    QDir().mkpath(logFolder);
    QFile::setPermissions(logFolder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    copyText(g_logPath, PathSize, logFilePath());
    copyText(g_programPath, PathSize, program);
    copyText(g_programName, TextSize, QFileInfo(program).fileName());
    copyText(g_version, TextSize, version);
    copyText(g_extra, TextSize, extra);
    const passwd* user = getpwuid(getuid());
    copyText(g_user, TextSize, user ? QString::fromLocal8Bit(user->pw_name) : QString());
    utsname system{};
    if (uname(&system) == 0) {
        copyText(g_system, TextSize,
                 QString::fromLocal8Bit(system.sysname) + u' ' +
                     QString::fromLocal8Bit(system.release));
        copyText(g_systemVersion, TextSize, QSysInfo::prettyProductName());
    }
    g_processors = int(sysconf(_SC_NPROCESSORS_ONLN));
    g_processorType = processorType();
    g_utcOffsetSeconds = QDateTime::currentDateTime().offsetFromUtc();
    copyText(g_reportPath, PathSize,
             findReportProgram(reportProgram.isEmpty() ? QString::fromLatin1(DefaultReportProgram)
                                                       : reportProgram));
    copyText(g_reportArgument, sizeof g_reportArgument, u'"' + program + u'"');

    // The first backtrace() loads the unwinder, which allocates: do it now, not in the handler.
    void* frame[1];
    backtrace(frame, 1);

    // Faults from a stack overflow need a stack of their own.
    stack_t altStack{};
    altStack.ss_sp = g_altStack;
    altStack.ss_size = sizeof g_altStack;
    sigaltstack(&altStack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : FatalSignals)
        sigaction(signalNumber, &action, nullptr);
}

QString ExceptionHandler::logFilePath() {
    // A folder of this user's own, so that another user's log can neither block nor replace it.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = !runtime.isEmpty() && QFileInfo(runtime).isDir()
                               ? runtime + QStringLiteral("/quillowave")
                               : QDir::tempPath() + QStringLiteral("/quillowave-%1").arg(getuid());
    return folder + u'/' + QString::fromLatin1(LogFileName);
}

QString ExceptionHandler::reportProgramPath() {
    return QString::fromLocal8Bit(g_reportPath);
}

std::uint32_t ExceptionHandler::exceptionCode(int signalNumber, int signalCode) {
    switch (signalNumber) {
    case SIGSEGV:
        return 0xC0000005; // an Access Violation
    case SIGBUS:
        return signalCode == BUS_ADRALN ? 0x80000002 : 0xC0000006;
    case SIGILL:
        return signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG ? 0xC0000096 : 0xC000001D;
    case SIGFPE:
        switch (signalCode) {
        case FPE_INTDIV:
            return 0xC0000094;
        case FPE_INTOVF:
            return 0xC0000095;
        case FPE_FLTDIV:
            return 0xC000008E;
        case FPE_FLTOVF:
            return 0xC0000091;
        case FPE_FLTUND:
            return 0xC0000093;
        case FPE_FLTRES:
            return 0xC000008F;
        case FPE_FLTINV:
            return 0xC0000090;
        case FPE_FLTSUB:
            return 0xC000008C;
        default:
            return 0xC0000090;
        }
    case SIGABRT:
        // An abort ends the program on purpose: the fatal-application-exit code.
        return 0x40000015;
    default:
        return 0;
    }
}

const char* ExceptionHandler::describe(std::uint32_t code) {
    switch (code) {
    case 0x40010005:
        return "a Control-C";
    case 0x40010008:
        return "a Control-Break";
    case 0x80000002:
        return "a Datatype Misalignment";
    case 0x80000003:
        return "a Breakpoint";
    case 0xC0000005:
        return "an Access Violation";
    case 0xC0000006:
        return "an In Page Error";
    case 0xC0000017:
        return "a No Memory";
    case 0xC000001D:
        return "an Illegal Instruction";
    case 0xC0000025:
        return "a Noncontinuable Exception";
    case 0xC0000026:
        return "an Invalid Disposition";
    case 0xC000008C:
        return "a Array Bounds Exceeded";
    case 0xC000008D:
        return "a Float Denormal Operand";
    case 0xC000008E:
        return "a Float Divide by Zero";
    case 0xC000008F:
        return "a Float Inexact Result";
    case 0xC0000090:
        return "a Float Invalid Operation";
    case 0xC0000091:
        return "a Float Overflow";
    case 0xC0000092:
        return "a Float Stack Check";
    case 0xC0000093:
        return "a Float Underflow";
    case 0xC0000094:
        return "an Integer Divide by Zero";
    case 0xC0000095:
        return "an Integer Overflow";
    case 0xC0000096:
        return "a Privileged Instruction";
    case 0xC00000FD:
        return "a Stack Overflow";
    case 0xC0000142:
        return "a DLL Initialization Failed";
    case 0xE06D7363:
        return "a Microsoft C++ Exception";
    default:
        return "an Unknown exception type";
    }
}

} // namespace QT_EXT
