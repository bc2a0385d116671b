#include "app/commandlinerequest.h"

namespace {

QString valueOf(const QString& argument) {
    return argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
}

} // namespace

int CommandLineRequest::mapEndAction(int value) {
    switch (value) {
    case 0:
        return 0;
    case 4:
        return 1;
    case 2:
        return 2;
    case 3:
        return 3;
    case 1:
        return 4;
    default:
        return -1;
    }
}

CommandLineRequest CommandLineRequest::parse(const QStringList& arguments) {
    CommandLineRequest request;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("/url=")))
            request.url = valueOf(argument);
        else if (argument.startsWith(QLatin1String("/name=")))
            request.name = valueOf(argument);
        else if (argument.startsWith(QLatin1String("/show=minimized")))
            request.showWindow = false;
        else if (argument.startsWith(QLatin1String("/action=")))
            request.action = valueOf(argument);
        else if (argument.startsWith(QLatin1String("/duration=")))
            request.duration = valueOf(argument).toInt();
        else if (argument.startsWith(QLatin1String("/end_action="))) {
            bool ok = false;
            const int mapped = mapEndAction(valueOf(argument).toInt(&ok));
            if (ok && mapped >= 0) {
                request.endAction = mapped;
                request.sleepSeconds = request.duration;
            }
        } else if (argument.startsWith(QLatin1String("/startlast")))
            request.startLast = true;
    }
    return request;
}
