#include "dispawlayout.h"
