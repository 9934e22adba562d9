#pragma once

#include <QByteArray>
#include <QString>

// The single-byte code page of the Windows-era peers: the central station's wire and old ini files.
namespace Windows1252 {

// Characters the code page can not hold become '?'.
QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

} // namespace Windows1252
