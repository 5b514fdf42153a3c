#include "mousec.h"
