#include "ctdisp.h"
