// The conversions moved to text/Unicode.h, below every layer. This name stays
// only for the window code that still includes it.
#pragma once

#include "text/Unicode.h"
