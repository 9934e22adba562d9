#pragma once

#include "forwarding/Forwarding.h"
#include "sms/Sms.h"

class Form1State;

// The fields of the window each forwarding and SMS step reads and writes, taken from the model by name:
// the one place that says which of these steps sees which control.
Forwarding::Views forwardingViews(Form1State& form);
Sms::Views smsViews(Form1State& form);
