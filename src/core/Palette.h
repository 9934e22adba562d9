#pragma once

#include <QColor>

// The colours the steps paint window fields with, one name each.
namespace Palette {
// A field whose value is out of bounds (no records, low disk, dates ahead of the clock, SMS failing).
inline const QColor lightRed{255, 192, 192};
inline const QColor white{255, 255, 255};
// The signal field while the modem is busy.
inline const QColor red{255, 0, 0};
// The state lights before their first state.
inline const QColor lightGrey{192, 192, 192};
} // namespace Palette
