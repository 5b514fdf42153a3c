#include "ctcalc.h"
