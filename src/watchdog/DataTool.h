#pragma once

#include <QString>
#include <QStringList>

// The supervision system's sibling data tool, VORNDATA.exe, installed in one of two fixed folders. The
// folders are kept as the system has always named them, below a root that is "c:\" on the machines the
// system came from and the setting DataToolRoot here; names are matched without regard to case, as on the
// file system they were given on.
namespace DataTool {

inline const QString executable = QStringLiteral("VORNDATA.exe");

// Both places, in order, each as found on disk.
QStringList paths(const QString& root);
// Those of them that exist as files.
QStringList existing(const QString& root);

} // namespace DataTool
