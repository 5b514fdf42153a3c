#include "blankfill.h"
