#include "tests/support/png_builder.h"
