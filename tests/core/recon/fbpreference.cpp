#include "fbpreference.h"
