// The messages the system-information workers post live with every other
// message of the program.
#pragma once

#include "core/Messages.h"
