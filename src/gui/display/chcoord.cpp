#include "chcoord.h"
