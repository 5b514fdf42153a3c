#include "seekctrl.h"
