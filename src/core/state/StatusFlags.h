#pragma once

// What was last reported of each watched condition, as status.ini remembers it across restarts: state,
// not settings. True is the normal case (no condition open), except SMSOn, true while SMS mode is on.
// Owned by the composition root; StatusFile alone turns them into the file's "1" and "0".
struct StatusFlags {
    bool Acquisition = true;
    bool DbSize = true;
    bool freeSize = true;
    bool time = true;
    bool SMSOn = false;
    bool ModemOK = true;
};
