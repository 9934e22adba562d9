#pragma once

#include <QDateTime>
#include <QLocale>

// Regional settings of the host. Where the host names none (C or POSIX) the agent speaks the language of
// its window: Spanish (Spain), decimal comma, months "ene" to "dic".
namespace AgentLocale {

QLocale locale();

// "dic-26" for December 2026: the first three letters of the short month name, without a dot.
QString monthTag(const QDate& date);

// The host's default text for a date-time value ("06/12/2026 19:45:03" in the fallback).
QString dateTimeText(const QDateTime& when);

} // namespace AgentLocale
