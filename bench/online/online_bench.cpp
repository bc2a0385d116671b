// Online directory benchmark: against a server holding many stations, the time from a query
// typed in the online page to its first page of results shown in the view, and the heap held by
// ten pages of results (the stations as read and the station records made of them).
// Usage: qw_online_bench [--runs N] SERVER
// Prints "first-page fastest median (ms)" and "ten-pages KiB" lines.
#include "stations/onlinedirectory.h"
#include "ui/onlinestationmodel.h"
#include "ui/stationiconcache.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Milliseconds from the query to its first page painted in the view; negative on failure.
double firstPageMs(OnlineDirectory& directory, QTreeView& view, const QString& name) {
    QSignalSpy added(&directory, &OnlineDirectory::signal_RowsAdded);
    RadioBrowserClient::StationQuery query;
    query.name = name;
    QElapsedTimer timer;
    timer.start();
    directory.search(query);
    if (!added.wait(60000))
        return -1;
    view.viewport()->repaint();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 5;
    if (args.size() >= 2 && args.first() == QLatin1String("--runs")) {
        runs = args.at(1).toInt();
        args = args.mid(2);
    }
    if (args.size() != 1 || runs < 1) {
        std::fprintf(stderr, "usage: qw_online_bench [--runs N] SERVER\n");
        return 2;
    }
    QTemporaryDir cache;
    RadioBrowserClient client(QStringLiteral("bench"));
    client.setServers({args.first()});
    OnlineDirectory directory(&client);
    StationIconCache icons(cache.path(), QStringLiteral("bench"));
    OnlineStationModel model(&directory, &icons);
    QTreeView view;
    view.setModel(&model);
    view.resize(800, 600);
    view.show();

    firstPageMs(directory, view, QStringLiteral("Station")); // warms the server and the caches
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double ms = firstPageMs(directory, view, QStringLiteral("Station %1").arg(run + 1));
        if (ms < 0) {
            std::fprintf(stderr, "no answer from %s\n", qPrintable(args.first()));
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("first-page %.1f %.1f\n", times.front(), times[times.size() / 2]);

    directory.search({}); // let go of the last results before measuring
    QSignalSpy added(&directory, &OnlineDirectory::signal_RowsAdded);
    added.wait(60000);
    directory.search({});
    const size_t before = heapInUse();
    for (int page = 0; page < 10; ++page) {
        if (page > 0)
            directory.fetchMore();
        if (!added.wait(60000))
            return 1;
    }
    std::printf("ten-pages %d stations %.0f KiB\n", directory.count(),
                (heapInUse() - before) / 1024.0);
    return 0;
}
