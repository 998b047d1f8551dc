#include "tests/support/dwg_builder.h"
