#pragma once

// What every test starts from: GoogleTest, the Qt classes most tests use, the chrono literals, and the
// shared helpers (files, bounded waits, SQL on a side connection, the clock and the boxes of a step).
#include "core/runtime/BoundedWait.h"
#include "core/runtime/EventLog.h"
#include "core/settings/IniFile.h"
#include "support/FakeClock.h"
#include "support/FileText.h"
#include "support/Poll.h"
#include "support/RecordingDialogs.h"
#include "support/SideSql.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using namespace std::chrono_literals;
