#include "rawdisp.h"
