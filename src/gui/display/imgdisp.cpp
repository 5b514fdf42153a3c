#include "imgdisp.h"
