#include "bass/precondition.h"

#include <QDebug>
#include <QFileInfo>

namespace BASS {

bool Precondition::Check(bool holds, const char* condition, const char* file, int line) {
    if (!holds)
        qDebug().noquote() << "Precondition failed:" << condition
                           << QStringLiteral("%1:%2")
                                  .arg(QFileInfo(QString::fromLocal8Bit(file)).fileName())
                                  .arg(line);
    return holds;
}

} // namespace BASS
