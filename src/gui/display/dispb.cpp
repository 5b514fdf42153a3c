#include "dispb.h"
