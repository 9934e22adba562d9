#pragma once

#include <QString>
#include <QStringList>

// The known key nearest to a mistyped one, by edit distance without regard to case (RemotPort gives
// RemotePort); empty when none is within a third of the key's length, as a guess that far only misleads.
QString closestKey(const QString& key, const QStringList& known);

// Insertions, deletions and substitutions that turn a into b, without regard to case.
qsizetype editDistance(const QString& a, const QString& b);
