#include "procparams.h"
