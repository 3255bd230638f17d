// The whole public interface of hox.
#pragma once

#include "hox/config.h"
#include "hox/types.h"
#include "hox/string.h"
#include "hox/cvar.h"
#include "hox/message_callback.h"
