#include "closablebase.h"
