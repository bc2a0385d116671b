#pragma once

// What a command line (the program's own or one handed over by a second start) asks the running
// window to do: play an address, start the last station, set a sleep timer, show or minimise.
// Widget-free; any thread.

#include <QString>
#include <QStringList>

class CommandLineRequest {
public:
    QString url;
    QString name;
    QString action;
    int duration = 0;
    int endAction = -1;   // -1: no sleep timer asked for
    int sleepSeconds = 0; // the duration as read before the end action
    bool showWindow = true;
    bool startLast = false;

    static CommandLineRequest parse(const QStringList& arguments);
    // The switch's value for the sleep timer's end action; -1 for a value without meaning.
    static int mapEndAction(int value);
};
