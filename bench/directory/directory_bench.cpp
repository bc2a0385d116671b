// Directory load benchmark: loads a station directory file several times into a fresh
// BramblerStations and prints the load time and the memory the loaded directory holds.
// Usage: qw_directory_bench [--runs N] FILE...
// Prints one line per file: form, stations, fastest and median load in ms (wall), fastest CPU
// time in ms, the fastest full-text search over the loaded list ("rock", a genre that matches
// many stations), resident memory held by the loaded directory and the process's peak, in MB.
#include "settings/appsettings.h"
#include "stations/bramblerstations.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

// A field of /proc/self/status in MB.
double statusMb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// CPU time of the process in ms: steadier than wall time on a machine shared with builds.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

QString formOf(const QString& path) {
    if (path.indexOf(QLatin1String(".qwd")) >= 1)
        return QStringLiteral("qwd");
    if (path.indexOf(QLatin1String(".xml.gz")) >= 1)
        return QStringLiteral("gzip");
    return QStringLiteral("xml");
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTemporaryDir scratch;
    AppSettings::setInstanceProgramFolder(scratch.path());

    QStringList args = app.arguments().mid(1);
    int runs = 5;
    if (args.size() >= 2 && args.first() == QLatin1String("--runs")) {
        runs = std::max(1, args.at(1).toInt());
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: qw_directory_bench [--runs N] FILE...\n");
        return 2;
    }
    AppSettings::instance();

    std::printf("%-6s %-24s %9s %9s %9s %9s %9s %9s %9s\n", "form", "file", "stations", "min_ms",
                "median_ms", "cpu_ms", "search_ms", "held_MB", "peak_MB");
    for (const QString& path : std::as_const(args)) {
        if (!QFileInfo::exists(path)) {
            std::fprintf(stderr, "no such file: %s\n", qPrintable(path));
            return 1;
        }
        std::vector<double> times;
        std::vector<double> cpuTimes;
        std::vector<double> searchTimes;
        qsizetype stations = 0;
        double held = 0;
        for (int i = 0; i < runs; ++i) {
            const double before = statusMb("VmRSS:");
            auto list = std::make_unique<BramblerStations>();
            list->setInteractive(false);
            QElapsedTimer timer;
            const double cpuStart = cpuMs();
            timer.start();
            list->load(path);
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            cpuTimes.push_back(cpuMs() - cpuStart);
            stations = list->allPresets.size();
            if (!list->messages().isEmpty()) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(path),
                             qPrintable(list->messages().first()));
                return 1;
            }
            if (i == 0)
                held = statusMb("VmRSS:") - before;
            QList<Preset*> found;
            timer.restart();
            list->search(QStringLiteral("rock"), found);
            searchTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(times.begin(), times.end());
        std::sort(cpuTimes.begin(), cpuTimes.end());
        std::sort(searchTimes.begin(), searchTimes.end());
        std::printf("%-6s %-24s %9lld %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f\n",
                    qPrintable(formOf(path)), qPrintable(QFileInfo(path).fileName().left(24)),
                    static_cast<long long>(stations), times.front(), times[times.size() / 2],
                    cpuTimes.front(), searchTimes.front(), held, statusMb("VmHWM:"));
    }
    return 0;
}
