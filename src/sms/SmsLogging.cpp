#include "sms/SmsLogging.h"

Q_LOGGING_CATEGORY(lcSms, "vornnet.sms")
