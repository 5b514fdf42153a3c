#include "corguess.h"
