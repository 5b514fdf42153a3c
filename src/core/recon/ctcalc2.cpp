#include "ctcalc2.h"
