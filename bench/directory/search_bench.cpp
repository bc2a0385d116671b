// Search and station-menu benchmark: loads a station directory, then times a one-word and a
// three-word search as typed in the search field, and the building of the region menu's first
// level and of one region's sub-menu when it is first shown.
// Usage: qw_search_bench [--runs N] FILE
// Prints one line: stations, then for each operation the fastest and median wall time and the
// fastest CPU time, in ms.
#include "settings/appsettings.h"
#include "stations/bramblerstations.h"
#include "ui/searchcontroller.h"
#include "ui/stationmenus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

struct Timing {
    double fastest = 0;
    double median = 0;
    double cpuFastest = 0;
};

// CPU time of this thread in ms: on a machine shared with builds the wall time of one run also
// holds the time other processes had the core.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

Timing measure(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    return {times.front(), times[times.size() / 2], cpu.front()};
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    AppSettings::setInstanceProgramFolder(scratch.path());
    AppSettings::instance();

    QStringList args = app.arguments().mid(1);
    int runs = 20;
    if (args.size() >= 2 && args.first() == QLatin1String("--runs")) {
        runs = std::max(1, args.at(1).toInt());
        args = args.mid(2);
    }
    if (args.size() != 1 || !QFileInfo::exists(args.first())) {
        std::fprintf(stderr, "usage: qw_search_bench [--runs N] FILE\n");
        return 2;
    }
    BramblerStations list;
    list.setInteractive(false);
    list.load(args.first());
    if (!list.messages().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(list.messages().first()));
        return 1;
    }

    qsizetype oneHits = 0;
    qsizetype threeHits = 0;
    const Timing one = measure(
        runs, [&]() { oneHits = SearchController::find(list, QStringLiteral("rock"), 0).size(); });
    const Timing three = measure(runs, [&]() {
        threeHits = SearchController::find(list, QStringLiteral("rock radio texas"), 0).size();
    });
    StationMenus menus(&list);
    QMenu menu;
    const Timing level = measure(runs, [&]() { menus.buildGroupMenu(&menu, list.topGroups); });
    // The largest region's sub-menu, filled the first time it is about to show (each run builds
    // the first level afresh, so this includes it).
    qsizetype largest = 0;
    for (qsizetype i = 1; i < list.topGroups.size(); ++i) {
        if (list.topGroups.at(i)->stationTotal() > list.topGroups.at(largest)->stationTotal())
            largest = i;
    }
    std::vector<double> openTimes;
    std::vector<double> openCpu;
    for (int i = 0; i < runs && !list.topGroups.isEmpty(); ++i) {
        menus.buildGroupMenu(&menu, list.topGroups);
        QMenu* sub = menu.actions().at(largest)->menu();
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        emit sub->aboutToShow();
        openTimes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        openCpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(openTimes.begin(), openTimes.end());
    std::sort(openCpu.begin(), openCpu.end());
    const Timing region =
        openTimes.empty()
            ? Timing{}
            : Timing{openTimes.front(), openTimes[openTimes.size() / 2], openCpu.front()};

    std::printf("%9s %-28s %-28s %-28s %-28s\n", "stations", "one_word_ms(min/med/cpu)",
                "three_words_ms(min/med/cpu)", "region_level_ms(min/med/cpu)",
                "region_open_ms(min/med/cpu)");
    std::printf("%9lld", static_cast<long long>(list.allPresets.size()));
    for (const Timing& t : {one, three, level, region})
        std::printf(" %8.2f/%8.2f/%8.2f  ", t.fastest, t.median, t.cpuFastest);
    std::printf("\n");
    std::printf("hits: one word %lld, three words %lld\n", static_cast<long long>(oneHits),
                static_cast<long long>(threeHits));
    return 0;
}
