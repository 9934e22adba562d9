#pragma once

#include <QColor>

// The colours the steps paint window fields with, one name each.
namespace Palette {
// A field whose value is out of bounds (no records, low disk, dates ahead of the clock, SMS failing).
inline const QColor lightRed{255, 192, 192};
inline const QColor white{255, 255, 255};
// The signal field while the modem is busy; a process, the acquisition or the state light that is down.
inline const QColor red{255, 0, 0};
// A process or the state light that is up.
inline const QColor green{0, 255, 0};
// The network server's light when web mode does without it.
inline const QColor blue{0, 0, 255};
// The signal field's text once the modem is free.
inline const QColor black{0, 0, 0};
// The state lights before their first state.
inline const QColor lightGrey{192, 192, 192};
} // namespace Palette
