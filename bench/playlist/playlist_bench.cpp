// Playlist reading benchmark: the candidate addresses of a downloaded playlist, taken from the
// file as the window and the command-line program take them after a download.
// Usage: qw_playlist_bench [--runs N] FILE
// Prints one line: the file's size, the number of candidates and the fastest and median wall
// time in ms.
#include "bass/playlistparser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 5;
    if (args.size() >= 2 && args.at(0) == QLatin1String("--runs")) {
        runs = qMax(1, args.at(1).toInt());
        args = args.mid(2);
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: qw_playlist_bench [--runs N] FILE\n");
        return 2;
    }
    QFile file(args.at(0));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(0)));
        return 1;
    }
    const QString text = QString::fromUtf8(file.readAll());
    std::vector<double> times;
    qsizetype found = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        found = BASS::PlaylistParser::Candidates(text, args.at(0)).size();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%lld bytes, %lld candidates: fastest %.2f ms, median %.2f ms\n",
                static_cast<long long>(file.size()), static_cast<long long>(found), times.front(),
                times[times.size() / 2]);
    return 0;
}
