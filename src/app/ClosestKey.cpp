#include "app/ClosestKey.h"

#include <QList>
#include <algorithm>

qsizetype editDistance(const QString& a, const QString& b) {
    const QString x = a.toLower();
    const QString y = b.toLower();
    QList<qsizetype> row(y.size() + 1);
    for (qsizetype j = 0; j <= y.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= x.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= y.size(); ++j) {
            const qsizetype above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[y.size()];
}

QString closestKey(const QString& key, const QStringList& known) {
    QString best;
    qsizetype bestDistance = std::max<qsizetype>(1, key.size() / 3) + 1;
    for (const QString& k : known) {
        const qsizetype d = editDistance(key, k);
        if (d < bestDistance) {
            best = k;
            bestDistance = d;
        }
    }
    return best;
}
