#include "phantom.h"
