#pragma once

#include <QLoggingCategory>

// What an integrator needs to follow the modem and SMS mode: port names and errors, replies, transitions.
Q_DECLARE_LOGGING_CATEGORY(lcSms)
