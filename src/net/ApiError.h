#pragma once

#include <cstdint>

#include "platform/Http.h"

// Writes the one log record of a failed platform network call: the API's name, its error number
// and the text the module's message table has for it, with the failing operation as context
// (null for none).
void ShowApiError(const char* apiName, uint32_t errorCode, plat::MessageModule module, const char* context);
